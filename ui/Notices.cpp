#include "ui/Notices.h"

TNotice<>& ColorsChangedNotice() {
    static TNotice<> notice;
    return notice;
}

TNotice<int32_t>& MemoChangedNotice() {
    static TNotice<int32_t> notice;
    return notice;
}
