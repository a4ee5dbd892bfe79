// quillo-tool decode IN OUT.png: reads IN as the calendar reads images (the extension picks
// the decoder: ".bmp", ".png", ".jpg", ".jpeg", ".jpx") and writes what it got as a PNG,
// RGB for a 24-bit result and RGBA for a 32-bit one. The PNG is written by the program's
// own small writer on zlib, so no display or application object is needed. A damaged or
// unknown input prints its message and exits with status 2.

#include <cstdio>
#include <string>

#include "graphics/ImageLoader.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "tools/ToolCommands.h"

int RunDecodeCommand(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillo-tool decode IN OUT.png\n");
        return 2;
    }
    const std::string in = std::string(argv[1]), out = std::string(argv[2]);
    try {
        TBitmap bitmap;
        TFileStream stream(in, TFileMode::Read);
        LoadGraphic(bitmap, in, stream);
        if (bitmap.Empty())
            throw Exception(in + " から画像を読めませんでした");
        WriteFileAtomic(out, EncodePng(bitmap));
    } catch (const Exception& e) {
        std::fprintf(stderr, "quillo-tool decode: %s\n", e.Message().c_str());
        return 2;
    }
    return 0;
}
