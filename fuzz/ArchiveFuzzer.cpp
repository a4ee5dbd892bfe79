// Any bytes as an archive: the directory is read, then every member is selected, sought
// through and read to its end. Damaged input may only raise EArchiveError; a crash, a
// hang or a sanitizer report is a finding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/ArchiveStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TArchiveStream archive(std::make_unique<TMemoryStream>(std::string(reinterpret_cast<const char*>(data), size)));
        for (int i = 0; i < archive.Files().Count(); ++i) {
            if (!archive.SelectFile(archive.Files().Names(i)))
                __builtin_trap();  // a listed member must be found by its name
            int64_t memberSize = archive.Seek(0, TSeekOrigin::End);
            archive.Seek(-memberSize / 2, TSeekOrigin::Current);
            archive.Seek(0, TSeekOrigin::Beginning);
            if (static_cast<int64_t>(archive.ReadRest(memberSize + 10).size()) > memberSize)
                __builtin_trap();  // a read ran past the member
        }
    } catch (const EArchiveError&) {
    }
    return 0;
}
