#include "storage/ProcessState.h"

TProcessState& ProcessState() {
    static TProcessState state;
    return state;
}
