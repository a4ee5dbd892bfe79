#include "ui/AboutBox.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/GraphicWork.h"
#include "graphics/ImageLoader.h"
#include "graphics/Stream.h"
#include "storage/AppGlobals.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Geometry.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"
#include "ui/LinkLabel.h"
#include "ui/WindowBehaviour.h"

namespace {

constexpr int DesignWidth = 247;
constexpr int WindowHeight = 222;
constexpr uint32_t LabelColor = 0x604040;  // 0x00BBGGRR
constexpr const char* MakerSite = "https://vellomar.example";

QImage ImageOf(const TBitmap& bitmap) {
    if (bitmap.Empty())
        return {};
    if (bitmap.Is32Bit())
        return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.RowStride(), QImage::Format_RGB32)
            .copy();
    return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.RowStride(), QImage::Format_BGR888)
        .copy();
}

QLabel* MakeLabel(QWidget* parent, int left, int top, int width, int height, uint32_t color) {
    auto* label = new QLabel(parent);
    label->setGeometry(left, top, width, height);
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, QtColor(color));
    label->setPalette(colors);
    return label;
}

// The frames of a window of width × height logical pixels: each drawn with its colour by
// DrawRoundFrame on the given canvas, in this order.
struct TFrame {
    uint32_t Color;
    TRect Rect;
    int Corner;
};

std::vector<TFrame> FramesOf(int width, int height) {
    return {{0x808080, {5, 32, width - 5, height - 5}, 2},
            {0x808080, {1, 1, width - 1, height - 1}, 3},
            {0x000000, {0, 0, width, height}, 4},
            {0x000000, {1, 1, width - 1, height - 1}, 2}};
}

// The frames in device pixels for ratio: each logical pixel of a frame as a square one
// logical pixel (DeviceLength(1)) wide, set where the pixel begins in the left and top half
// of the window and where it ends in the right and bottom half, so that every line has the
// same width, the outer edges lie on the window's edges and its corners on the rounded
// shape (MakeDeviceRoundRegion).
QImage DeviceFrameImage(int width, int height, double ratio) {
    const int line = DeviceLength(1, ratio);
    QImage device(DeviceLength(width, ratio), DeviceLength(height, ratio), QImage::Format_RGB32);
    device.fill(Qt::white);
    QPainter painter(&device);
    TBitmap logical(width, height, TPixelFormat::Bits24);
    TCanvas& canvas = logical.Canvas();
    canvas.Pen.Color = 0x000000;
    auto start = [ratio, line](int at, int length) {
        return at < length / 2 ? DeviceLength(at, ratio) : DeviceLength(at + 1, ratio) - line;
    };
    for (const TFrame& frame : FramesOf(width, height)) {
        canvas.Brush.Color = 0xFFFFFF;
        canvas.Brush.Style = TBrushStyle::Solid;
        canvas.FillRect({0, 0, width, height});
        DrawRoundFrame(canvas, frame.Rect, frame.Corner);
        const QColor color = QtColor(frame.Color);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if ((logical.Pixel(x, y) & 0xFFFFFF) == 0)
                    painter.fillRect(start(x, width), start(y, height), line, line, color);
    }
    return device;
}

// A picture whose background (the colour of its bottom-left pixel) lets the window show
// through, as the frames pass behind the title. It keeps the image's device pixel ratio.
QPixmap TransparentPicture(const QImage& image) {
    QPixmap picture = QPixmap::fromImage(image);
    if (!image.isNull())
        picture.setMask(picture.createMaskFromColor(QColor(image.pixel(0, image.height() - 1)), Qt::MaskInColor));
    picture.setDevicePixelRatio(image.devicePixelRatio());
    return picture;
}

// The picture beside the title: a small torn-off day page, 56 × 56 logical pixels drawn in
// device pixels for ratio.
QImage DrawPagePicture(double ratio) {
    const int side = DeviceLength(56, ratio);
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.setBrush(QColor(0xFD, 0xFD, 0xFE));
    painter.drawRoundedRect(QRectF(6.5, 6.5, 43, 45), 3, 3);
    painter.fillRect(QRectF(7, 7, 42, 9), QColor(0xFF, 0x40, 0x40));
    const TYmd today = YmdOf(Today());
    QFont figures(QtText("ＭＳ Ｐゴシック"));
    figures.setPixelSize(24);
    figures.setBold(true);
    painter.setFont(figures);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawText(QRectF(6, 16, 44, 34), Qt::AlignCenter, QString::number(today.Day));
    return picture;
}

}  // namespace

std::string TAboutBox::InformationAddress(const std::string& internalName) {
    std::string address = MakerSite;
    address += "/contents/software/information.php?name=";
    address += AsciiLowerCase(internalName);
    return address;
}

TBitmap TAboutBox::DrawTitle(const std::string& productName, TFont* font, double ratio) {
    ratio = UsableRatio(ratio);
    // Drawn at twice the logical size (at 320 × 64), or at the ratio's own size above that.
    const double scale = std::max(2.0, ratio);
    const int width = DeviceLength(160, scale), height = DeviceLength(32, scale);
    TBitmap title(width, height, TPixelFormat::Bits32);
    TCanvas& canvas = title.Canvas();
    canvas.Brush.Color = 0xFFFFFF;
    canvas.Brush.Style = TBrushStyle::Solid;
    canvas.FillRect({0, 0, width, height});
    canvas.Brush.Style = TBrushStyle::Clear;
    int x = DeviceLength(1, scale);
    int y = 0;
    if (!IsAsciiText(productName)) {
        canvas.Font.Name = "HGP創英角ｺﾞｼｯｸUB";
        canvas.Font.Height = -DeviceLength(20, scale);
        y = DeviceLength(8, scale);
    } else {
        canvas.Font.Name = "Arial Black";
        canvas.Font.Height = -DeviceLength(32, scale);
    }
    canvas.TextOut(x, y, productName);
    if (font)
        *font = canvas.Font;
    if (ratio == scale)
        return title;
    std::unique_ptr<TBitmap> reduced = ReduceBitmap(title, DeviceLength(160, ratio), DeviceLength(32, ratio));
    return reduced ? *reduced : title;
}

QImage TAboutBox::FrameImage(int width, int height, double ratio) {
    ratio = UsableRatio(ratio);
    if (ratio != 1)
        return DeviceFrameImage(width, height, ratio);
    TBitmap frames(width, height, TPixelFormat::Bits24);
    TCanvas& canvas = frames.Canvas();
    canvas.Brush.Color = 0xFFFFFF;
    canvas.FillRect({0, 0, width, height});
    for (const TFrame& frame : FramesOf(width, height)) {
        canvas.Pen.Color = frame.Color;
        DrawRoundFrame(canvas, frame.Rect, frame.Corner);
    }
    return ImageOf(frames);
}

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QFont face(QtText("ＭＳ Ｐゴシック"));
    face.setPixelSize(12);
    setFont(face);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, Qt::white);
    setPalette(colors);
    setAutoFillBackground(false);
    resize(DesignWidth, 348);

    FTitleImage = new QLabel(this);
    FTitleImage->setObjectName("titleImage");
    FTitleImage->setGeometry(4, 0, 173, 32);
    FPagePicture = new QLabel(this);
    FPagePicture->setObjectName("pagePicture");
    FPagePicture->setGeometry(180, 4, 56, 56);
    FIconImage = new QLabel(this);
    FIconImage->setObjectName("iconImage");
    FIconImage->setGeometry(12, 40, 32, 32);
    FFileNameLabel = MakeLabel(this, 52, 40, 176, 12, LabelColor);
    FFileNameLabel->setObjectName("fileNameLabel");
    FVersionLabel = MakeLabel(this, 52, 52, 176, 12, LabelColor);
    FVersionLabel->setObjectName("versionLabel");
    FCopyrightLabel = MakeLabel(this, 52, 68, 176, 12, LabelColor);
    FCopyrightLabel->setObjectName("copyrightLabel");
    FInformationLink = new TLinkLabel(this);
    FInformationLink->setObjectName("informationLink");
    FInformationLink->setGeometry(148 - 60, 80, 88 + 60, 14);
    FInformationLink->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FInformationLink->SetCaption(std::string(MakerSite).substr(8));
    FInfoLabel = MakeLabel(this, 12, 116, 225, 101, 0x808000);  // teal
    FInfoLabel->setObjectName("infoLabel");
    FInfoLabel->setWordWrap(true);
    FInfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FCloseButton = new QPushButton(QtText("閉じる"), this);
    FCloseButton->setObjectName("closeButton");
    FCloseButton->setGeometry(162, 316, 75, 20);
    connect(FCloseButton, &QPushButton::clicked, this, &QDialog::close);

    FBehaviour = new TWindowBehaviour(this, "TFORMVERSIONINFO");
    FBehaviour->SetWindowDrag(true);
    FBehaviour->SetWindowRound(true);
    FBehaviour->SetLayered(true);
    FBehaviour->SetWindowResize(false);
    FBehaviour->SetPreserve(false);
    FBehaviour->SetKeepSize(false);
    FBehaviour->SetKeepLocation(false);
    FBehaviour->SetBGrelocation(false);
    FBehaviour->SetStacking(TStacking::Normal);
    FBehaviour->SetFitScreenPx(0);
    // Moved to a screen of another device pixel ratio: pictures and frames for it.
    FBehaviour->OnScreenChanged = [this](QObject*) {
        FollowDevicePixelRatio(devicePixelRatioF());
        update();
    };
    // The box moves from any point, its labels included.
    FBehaviour->OnCanDragMove = [](QObject*, int, int, bool& dragMove) { dragMove = true; };

    FillTexts();
}

void TAboutBox::FillTexts() {
    TAppGlobals& globals = AppGlobals();
    FFileNameLabel->setText(QtText("ExeName " + globals.ExeName()));
    FVersionLabel->setText(QtText("Version " + globals.FileVersion()));
    FCopyrightLabel->setText(QtText("Copyright (C) " + globals.CompanyName()));
    FInformationLink->SetLinkURL(InformationAddress(globals.InternalName()));
    FInfoLabel->setText(QtText("机の上に立てて使う日めくりカレンダーです。ページを引っぱって破り取ると、"
                               "破った紙は机の上に残ります。ページをダブルクリックするとその日のメモを書けます。"));
    // The close button keeps its distance from the bottom edge.
    const int closeGap = height() - FCloseButton->geometry().bottom() - 1;
    resize(width(), WindowHeight);
    FCloseButton->move(FCloseButton->x(), height() - closeGap - FCloseButton->height());
    FInfoLabel->setFixedHeight(FCloseButton->y() - 4 - FInfoLabel->y());
    MakePictures(devicePixelRatioF());
}

void TAboutBox::FollowDevicePixelRatio(double ratio) {
    if (ratio != FPictureRatio)
        MakePictures(ratio);
}

void TAboutBox::MakePictures(double ratio) {
    FPictureRatio = ratio;
    ratio = UsableRatio(ratio);
    TAppGlobals& globals = AppGlobals();
    std::string_view titleBytes;
    QImage title;
    if (FindResourceBytes("AppTitle", titleBytes)) {
        try {
            TBitmap decoded;
            TMemoryStream stream{std::string(titleBytes)};
            LoadGraphic(decoded, "AppTitle.png", stream);
            title = ImageOf(decoded);
        } catch (const Exception&) {
            title = {};  // a damaged picture: the drawn title stands in
        }
    }
    if (title.isNull()) {
        title = ImageOf(DrawTitle(globals.ProductName(), nullptr, ratio));
        title.setDevicePixelRatio(ratio);
    }
    FTitleImage->setPixmap(TransparentPicture(title));
    FPagePicture->setPixmap(TransparentPicture(DrawPagePicture(ratio)));
    const QIcon icon = QApplication::windowIcon();
    QPixmap iconPicture;
    if (icon.isNull()) {
        const int side = DeviceLength(32, ratio);
        iconPicture = QPixmap::fromImage(DrawPagePicture(ratio))
                          .scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        iconPicture.setDevicePixelRatio(ratio);
    } else {
        iconPicture = icon.pixmap(QSize(32, 32), ratio);
    }
    FIconImage->setPixmap(iconPicture);
}

void TAboutBox::showEvent(QShowEvent* event) {
    // The screen is known for sure only once the box stands on it.
    FollowDevicePixelRatio(devicePixelRatioF());
    QDialog::showEvent(event);
}

void TAboutBox::paintEvent(QPaintEvent*) {
    // Made in device pixels: one to one onto the screen's pixels; made again only for
    // another size or ratio.
    const double ratio = UsableRatio(devicePixelRatioF());
    const QSize device(DeviceLength(width(), ratio), DeviceLength(height(), ratio));
    if (FFrames.size() != device || FFrames.devicePixelRatio() != ratio) {
        FFrames = FrameImage(width(), height(), ratio);
        FFrames.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, FFrames);
}

void TAboutBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    update();
}

void ShowAboutBox(QWidget* owner) {
    TAboutBox box(owner);
    CentreOnScreen(&box);
    box.exec();
}
