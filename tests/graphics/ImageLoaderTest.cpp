// Image loading: our PNG reader against Qt's decoder over every colour type, depth and
// filter; the refusals with their messages; hostile chunk layouts; JPEG, ".jpx" and BMP.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "BitmapTestSupport.h"
#include "PngTestFiles.h"
#include "graphics/ImageLoader.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"

using enum TPixelFormat;

namespace {

// Deterministic noise so that every filter sees varied neighbours.
int Noise(int x, int y, int c) {
    return int((uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u ^ uint32_t(c) * 97u) >> 7);
}

TBitmap LoadAs(const std::string& fileName, const std::string& bytes, const TImageLimits& limits = {}) {
    TBitmap bitmap;
    TBytesStream stream(bytes);
    LoadGraphic(bitmap, fileName, stream, limits);
    return bitmap;
}

std::string MessageOfLoading(const std::string& fileName, const std::string& bytes) {
    try {
        LoadAs(fileName, bytes);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

QImage QtDecode(const std::string& bytes, const char* format) {
    return QImage::fromData(QByteArray(bytes.data(), qsizetype(bytes.size())), format)
        .convertToFormat(QImage::Format_ARGB32);
}

// Largest channel difference between our bitmap and Qt's image; 1000 when the sizes differ.
int LargestDifference(const TBitmap& ours, const QImage& theirs, bool compareAlpha) {
    if (ours.Width() != theirs.width() || ours.Height() != theirs.height())
        return 1000;
    int largest = 0;
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x) {
            TPixel p = PixelAt(ours, x, y);
            QRgb q = theirs.pixel(x, y);
            largest = std::max({largest, std::abs(p.R - qRed(q)), std::abs(p.G - qGreen(q)), std::abs(p.B - qBlue(q))});
            if (compareAlpha)
                largest = std::max(largest, std::abs(p.A - qAlpha(q)));
        }
    return largest;
}

std::vector<uint8_t> RainbowPalette(int entries) {
    std::vector<uint8_t> palette;
    for (int k = 0; k < entries; ++k)
        palette.insert(palette.end(), {uint8_t(k * 37), uint8_t(255 - k), uint8_t(k * 11 + 5)});
    return palette;
}

}  // namespace

TEST(PngReader, EveryColorTypeDepthAndFilterDecodesLikeQt) {
    struct {
        int ColorType, Depth;
    } const kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {2, 8}, {3, 1}, {3, 2}, {3, 4}, {3, 8}, {4, 8}, {6, 8}};
    for (const auto& kind : kinds)
        for (int filter = 0; filter <= 5; ++filter) {  // 5: a different filter on every row
            TPngRecipe recipe;
            recipe.Width = 13;
            recipe.Height = 7;
            recipe.ColorType = kind.ColorType;
            recipe.Depth = kind.Depth;
            recipe.Filter = [filter](int y) { return filter == 5 ? y % 5 : filter; };
            recipe.Sample = [&](int x, int y, int c) { return Noise(x, y, c) % (1 << kind.Depth); };
            if (kind.ColorType == 3)
                recipe.Palette = RainbowPalette(1 << kind.Depth);
            recipe.IdatPieces = 1 + filter % 3;
            std::string png = MakePng(recipe);
            TBitmap ours = LoadAs("image.png", png);
            SCOPED_TRACE("colour type " + std::to_string(kind.ColorType) + " depth " + std::to_string(kind.Depth) +
                         " filter " + std::to_string(filter));
            EXPECT_EQ(ours.PixelFormat(), kind.ColorType >= 4 ? Bits32 : Bits24);
            EXPECT_EQ(LargestDifference(ours, QtDecode(png, "PNG"), true), 0);
        }
}

TEST(PngReader, OneBitGreyRowsKeepTheirPixelOrder) {
    TPngRecipe recipe;
    recipe.Width = 10;
    recipe.Height = 2;
    recipe.ColorType = 0;
    recipe.Depth = 1;
    const std::string pattern = "#..##.#..#";
    recipe.Sample = [&](int x, int y, int) { return (pattern[x] == '#') != (y == 1); };
    TBitmap b = LoadAs("grey.png", MakePng(recipe));
    ASSERT_EQ(b.Width(), 10);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(b.Pixel(x, 0), pattern[x] == '#' ? 0xFFFFFF : 0) << x;
        EXPECT_EQ(b.Pixel(x, 1), pattern[x] == '#' ? 0 : 0xFFFFFF) << x;
    }
}

TEST(PngReader, UpFilterOnTheFirstRowReadsAsNone) {
    TPngRecipe recipe;
    recipe.Width = 6;
    recipe.Height = 3;
    recipe.Sample = [](int x, int y, int c) { return Noise(x, y, c) & 255; };
    std::string plain = MakePng(recipe);
    recipe.Filter = [](int y) { return y == 0 ? 2 : 0; };
    TBitmap up = LoadAs("a.png", MakePng(recipe)), none = LoadAs("a.png", plain);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(up.Pixel(x, y), none.Pixel(x, y));
}

TEST(PngReader, RefusesWhatItDoesNotTakeWithItsMessage) {
    struct {
        const char* What;
        std::function<void(TPngRecipe&)> Change;
        std::string Message;
    } const cases[] = {
        {"16-bit", [](TPngRecipe& s) { s.Depth = 16; }, std::string("16bit色深度には対応していません")},
        {"deflate 1", [](TPngRecipe& s) { s.Compression = 1; }, std::string("このPNG圧縮には対応していません")},
        {"interlaced", [](TPngRecipe& s) { s.Interlace = 1; }, std::string("PNGインターレースには対応していません")},
        {"colour type 5", [](TPngRecipe& s) { s.ColorType = 5; }, std::string("このPNGには対応していません")},
        {"colour type 1", [](TPngRecipe& s) { s.ColorType = 1; }, std::string("このPNGには対応していません")},
        {"grey depth 3", [](TPngRecipe& s) { s.ColorType = 0, s.Depth = 3; },
         "3" + std::string("bit色深度には対応していません")},
        {"truecolour depth 4", [](TPngRecipe& s) { s.Depth = 4; }, "4" + std::string("bit色深度には対応していません")},
        {"grey alpha depth 2", [](TPngRecipe& s) { s.ColorType = 4, s.Depth = 2; },
         "2" + std::string("bit色深度には対応していません")},
        {"too wide", [](TPngRecipe& s) { s.Width = MaxImageSide + 1; }, std::string("画像が大きすぎます(16385x1)")},
        {"too many pixels", [](TPngRecipe& s) { s.Width = s.Height = 9000; },
         std::string("画像が大きすぎます(9000x9000)")},
        {"sign bit width", [](TPngRecipe& s) { s.Width = -1; }, std::string("画像が大きすぎます(4294967295x1)")},
    };
    for (const auto& c : cases) {
        TPngRecipe recipe;
        c.Change(recipe);
        recipe.Sample = [](int, int, int) { return 0; };
        std::string png = PngSignatureBytes() + PngHeaderChunk(recipe) + PngChunk("IEND", "");
        EXPECT_EQ(MessageOfLoading("x.png", png), c.Message) << c.What;
    }
    EXPECT_EQ(MessageOfLoading("x.png", "GIF89a...."), std::string("PNGファイルではありません"));
    EXPECT_EQ(MessageOfLoading("x.png", PngSignatureBytes().substr(0, 5)), std::string("PNGファイルではありません"));
    EXPECT_EQ(MessageOfLoading("x.png", PngSignatureBytes() + PngChunk("IHDR", "short")),
              std::string("このPNGには対応していません"));
    EXPECT_EQ(MessageOfLoading("x.png", PngSignatureBytes() + PngHeaderChunk({}) + PngChunk("IDAT", "not zlib")),
              "zlib: incorrect header check");
}

TEST(PngReader, ExtensionChoosesTheDecoderWhateverItsCase) {
    TPngRecipe recipe;
    recipe.Sample = [](int, int, int c) { return c == 0 ? 255 : 0; };
    std::string png = MakePng(recipe);
    EXPECT_EQ(LoadAs("/a.b/RED.PNG", png).Pixel(0, 0), 0x0000FF);
    TBitmap untouched(2, 2, Bits32);
    TBytesStream stream(png);
    for (const char* name : {"red.gif", "red", "png", "dir.png/red"}) {
        LoadGraphic(untouched, name, stream);
        EXPECT_EQ(untouched.Width(), 2) << name;
        EXPECT_TRUE(untouched.Is32Bit()) << name;
    }
}

TEST(PngReader, ChunkLayouts) {
    TPngRecipe recipe;
    recipe.Width = 5;
    recipe.Height = 4;
    recipe.ColorType = 3;
    recipe.Sample = [](int x, int y, int) { return (x + 2 * y) % 9; };
    const std::string head = PngSignatureBytes() + PngHeaderChunk(recipe);
    const std::string palette = PngChunk("PLTE", std::string(3 * 9, '\x40'));  // nine grey entries
    const std::string data = PngDataChunks(recipe);
    const std::string end = PngChunk("IEND", "");

    // Several image data chunks in a row decode as one stream.
    recipe.IdatPieces = 4;
    TBitmap split = LoadAs("a.png", head + palette + PngDataChunks(recipe) + end);
    EXPECT_EQ(split.Pixel(4, 3), 0x404040);
    // A palette after the image data is never read: every index is black.
    TBitmap late = LoadAs("a.png", head + data + palette + end);
    EXPECT_EQ(late.Pixel(3, 1), 0);
    // Indices past the entries given are black; more than 256 entries are cut to 256.
    TBitmap shortPalette = LoadAs("a.png", head + PngChunk("PLTE", std::string(3 * 4, '\x7F')) + data + end);
    EXPECT_EQ(shortPalette.Pixel(3, 0), 0x7F7F7F);
    EXPECT_EQ(shortPalette.Pixel(4, 0), 0);
    TBitmap longPalette = LoadAs("a.png", head + PngChunk("PLTE", std::string(3 * 300 + 2, '\x11')) + data + end);
    EXPECT_EQ(longPalette.Pixel(4, 3), 0x111111);
    // A stream that ends before the header leaves the bitmap as it was.
    TBitmap kept(3, 3, Bits32);
    const std::string noHeader = PngSignatureBytes() + PngChunk("tEXt", "a");
    TBytesStream beforeHeader(noHeader);
    LoadPng(kept, beforeHeader);
    EXPECT_EQ(kept.Width(), 3);
}

TEST(PngReader, DamagedDataStaysInsideTheImage) {
    TPngRecipe recipe;
    recipe.Width = 8;
    recipe.Height = 6;
    recipe.ColorType = 6;
    recipe.Sample = [](int x, int y, int c) { return x + y == 0 ? 200 : Noise(x, y, c) & 255; };
    std::string png = MakePng(recipe);
    // Cut in the middle of the data: the rows that were not there are transparent black.
    TBitmap cut = LoadAs("a.png", png.substr(0, png.size() - 30));
    EXPECT_EQ(cut.Width(), 8);
    EXPECT_EQ(PixelAt(cut, 0, 0), (TPixel{200, 200, 200, 200}));
    EXPECT_EQ(PixelAt(cut, 7, 5), (TPixel{0, 0, 0, 0}));
    // A chunk length far beyond the file, and a second data run after another chunk.
    std::string huge = PngSignatureBytes() + PngHeaderChunk(recipe) + std::string("\xFF\xFF\xFF\xF0IDAT\x78\x9C", 10);
    EXPECT_EQ(MessageOfLoading("a.png", huge), "(no error)");
    EXPECT_EQ(MessageOfLoading("a.png", huge.substr(0, huge.size() - 2) + "xx"), "zlib: incorrect header check");
    std::string packed = Deflate(PngScanlines(recipe));
    std::string interrupted = PngSignatureBytes() + PngHeaderChunk(recipe) + PngChunk("IDAT", packed.substr(0, 20)) +
                              PngChunk("tEXt", "x") + PngChunk("IDAT", packed.substr(20));
    TBitmap first = LoadAs("a.png", interrupted);
    EXPECT_EQ(PixelAt(first, 7, 5), (TPixel{0, 0, 0, 0}));
}

TEST(PngWriter, RoundTripsThroughOurReaderAndQt) {
    for (TPixelFormat format : {Bits24, Bits32}) {
        TBitmap b = MakeBitmap(9, 5, format, [](int x, int y) {
            return TPixel{uint8_t(Noise(x, y, 0)), uint8_t(Noise(x, y, 1)), uint8_t(Noise(x, y, 2)),
                          uint8_t(x * 30 + y)};
        });
        std::string png = EncodePng(b);
        TBitmap back = LoadAs("b.png", png);
        ASSERT_EQ(back.PixelFormat(), format);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(PixelAt(back, x, y), PixelAt(b, x, y));
        EXPECT_EQ(LargestDifference(b, QtDecode(png, "PNG"), format == Bits32), 0);
    }
    EXPECT_THROW(EncodePng(TBitmap(0, 3)), Exception);
}

namespace {

std::string QtEncode(const QImage& image, const char* format, int quality = 100) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes.toStdString();
}

QImage Gradient(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

}  // namespace

TEST(JpegReader, DecodesLikeQtAndUnscramblesJpx) {
    std::string jpeg = QtEncode(Gradient(40, 30), "JPG");
    ASSERT_GT(jpeg.size(), 100u);
    TBitmap ours = LoadAs("photo.JPG", jpeg);
    EXPECT_EQ(ours.PixelFormat(), Bits24);
    EXPECT_LE(LargestDifference(ours, QtDecode(jpeg, "JPG"), false), 2);

    std::string scrambled = jpeg;
    ScrambleJpx(scrambled);
    EXPECT_NE(scrambled.substr(0, 2), jpeg.substr(0, 2));
    TBitmap fromJpx = LoadAs("photo.jpx", scrambled);
    EXPECT_LE(LargestDifference(fromJpx, QtDecode(jpeg, "JPG"), false), 2);
    // Scrambled from another seed: the unscrambled bytes are not a JPEG.
    std::string otherSeed = jpeg;
    for (size_t i = 0; i < otherSeed.size(); ++i)
        otherSeed[i] = char(otherSeed[i] ^ 0x5A);
    EXPECT_NE(MessageOfLoading("photo.jpx", otherSeed).find("Not a JPEG file"), std::string::npos);

    TBitmap grey = LoadAs("g.jpeg", QtEncode(Gradient(16, 16).convertToFormat(QImage::Format_Grayscale8), "JPG"));
    EXPECT_EQ(grey.PixelFormat(), Bits24);
    TPixel p = PixelAt(grey, 8, 8);
    EXPECT_TRUE(p.R == p.G && p.G == p.B);
}

TEST(JpegReader, GreyAndCmykFilesComeOutAsColor) {
    for (const char* name : {"cmyk.jpg", "grey.jpg", "progressive.jpg"}) {
        std::string bytes = ReadFileBytes(std::string(QUILLO_SOURCE_DIR) + "/fuzz/corpus/jpeg/" + name);
        TBitmap ours = LoadAs(name, bytes);
        EXPECT_EQ(ours.PixelFormat(), Bits24) << name;
        EXPECT_LE(LargestDifference(ours, QtDecode(bytes, "JPG"), false), 2) << name;
    }
}

TEST(JpegReader, DamagedAndOversizedInput) {
    QImage noisy = Gradient(64, 64);
    for (int i = 0; i < 64 * 64; i += 7)
        noisy.setPixel(i % 64, i / 64, qRgb(Noise(i, 0, 0) & 255, Noise(i, 1, 0) & 255, 0));
    std::string jpeg = QtEncode(noisy, "JPG", 90);
    // A file cut short decodes what is there (libjpeg fills the rest) without an error.
    TBitmap cut = LoadAs("a.jpg", jpeg.substr(0, jpeg.size() / 2));
    EXPECT_EQ(cut.Width(), 64);
    EXPECT_NE(MessageOfLoading("a.jpg", "\xFF\xD8\xFF"), "(no error)");
    EXPECT_EQ(MessageOfLoading("a.jpg", std::string("\x00\x01", 2)), "Not a JPEG file: starts with 0x00 0x01");
    TImageLimits small{32, 1024};
    TBitmap refused;
    TBytesStream stream(jpeg);
    try {
        LoadGraphic(refused, "a.jpg", stream, small);
        ADD_FAILURE() << "a 64 × 64 image passed a 32-pixel limit";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), std::string("画像が大きすぎます"));
    }
    // Scrambled files above ten million bytes are passed over without a word.
    TBitmap kept(2, 2);
    TMemoryStream big(std::string(MaxJpxBytes + 1, 'x'));
    LoadGraphic(kept, "big.jpx", big);
    EXPECT_EQ(kept.Width(), 2);
}

TEST(BmpReader, KeepsTheFilesPixelFormat) {
    QImage image = Gradient(7, 3);
    TBitmap rgb = LoadAs("a.BMP", QtEncode(image, "BMP"));
    EXPECT_EQ(rgb.PixelFormat(), Bits24);
    EXPECT_EQ(LargestDifference(rgb, image, false), 0);

    // A 32-bit bottom-up file of 2 × 1 pixels written by hand.
    std::string bmp = "BM";
    auto put = [&bmp](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            bmp += char((v >> (8 * i)) & 0xFF);
    };
    put(14 + 40 + 8, 4), put(0, 4), put(14 + 40, 4);
    put(40, 4), put(2, 4), put(1, 4), put(1, 2), put(32, 2), put(0, 4), put(8, 4), put(0, 4), put(0, 4), put(0, 4),
        put(0, 4);
    put(0x00112233, 4), put(0x00445566, 4);
    TBitmap wide = LoadAs("w.bmp", bmp);
    EXPECT_EQ(wide.PixelFormat(), Bits32);
    EXPECT_EQ(PixelAt(wide, 1, 0), (TPixel{0x66, 0x55, 0x44, 255}));
    EXPECT_NE(MessageOfLoading("bad.bmp", "BM\x10\x00"), "(no error)");
}
