#include "ui/AboutBox.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>

#include "graphics/Bitmap.h"
#include "graphics/GraphicWork.h"
#include "graphics/ImageLoader.h"
#include "graphics/Stream.h"
#include "storage/AppGlobals.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Resources.h"
#include "storage/ShiftJis.h"
#include "storage/TextUtils.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"
#include "ui/LinkLabel.h"
#include "ui/WindowBehaviour.h"

namespace {

constexpr int DesignWidth = 247;
constexpr int WindowHeight = 222;
constexpr uint32_t LabelColour = 0x604040;  // 0x00BBGGRR
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

QLabel* MakeLabel(QWidget* parent, int left, int top, int width, int height, uint32_t colour) {
    auto* label = new QLabel(parent);
    label->setGeometry(left, top, width, height);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QtColor(colour));
    label->setPalette(colours);
    return label;
}

// A picture whose background (the colour of its bottom-left pixel) lets the window show
// through, as the frames pass behind the title.
QPixmap TransparentPicture(const QImage& image) {
    QPixmap picture = QPixmap::fromImage(image);
    if (!image.isNull())
        picture.setMask(picture.createMaskFromColor(QColor(image.pixel(0, image.height() - 1)), Qt::MaskInColor));
    return picture;
}

// The picture beside the title: a small torn-off day page.
QImage DrawPagePicture() {
    QImage picture(56, 56, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.setBrush(QColor(0xFD, 0xFD, 0xFE));
    painter.drawRoundedRect(QRectF(6.5, 6.5, 43, 45), 3, 3);
    painter.fillRect(QRectF(7, 7, 42, 9), QColor(0xFF, 0x40, 0x40));
    const TYmd today = YmdOf(Today());
    QFont figures(QtText(SJIS("ＭＳ Ｐゴシック")));
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

TBitmap TAboutBox::DrawTitle(const std::string& productName, TFont* font) {
    TBitmap title(320, 64, TPixelFormat::pf32bit);
    TCanvas& canvas = title.Canvas();
    canvas.Brush.Color = 0xFFFFFF;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect({0, 0, 320, 64});
    canvas.Brush.Style = TBrushStyle::bsClear;
    int x = 2;
    int y = 0;
    if (HasDoubleByte(productName)) {
        canvas.Font.Name = SJIS("HGP創英角ｺﾞｼｯｸUB");
        canvas.Font.Charset = SHIFTJIS_CHARSET;
        canvas.Font.Height = -40;
        y = 16;
    } else {
        canvas.Font.Name = "Arial Black";
        canvas.Font.Charset = ANSI_CHARSET;
        canvas.Font.Height = -64;
    }
    canvas.TextOut(x, y, productName);
    if (font)
        *font = canvas.Font;
    HalveBitmap(title);
    title.SetSize(160, 32);
    return title;
}

QImage TAboutBox::FrameImage(int width, int height) {
    TBitmap frames(width, height, TPixelFormat::pf24bit);
    TCanvas& canvas = frames.Canvas();
    canvas.Brush.Color = 0xFFFFFF;
    canvas.FillRect({0, 0, width, height});
    canvas.Pen.Color = 0x808080;
    DrawRoundFrame(canvas, {5, 32, width - 5, height - 5}, 2);
    DrawRoundFrame(canvas, {1, 1, width - 1, height - 1}, 3);
    canvas.Pen.Color = 0x000000;
    DrawRoundFrame(canvas, {0, 0, width, height}, 4);
    DrawRoundFrame(canvas, {1, 1, width - 1, height - 1}, 2);
    return ImageOf(frames);
}

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QFont face(QtText(SJIS("ＭＳ Ｐゴシック")));
    face.setPixelSize(12);
    setFont(face);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
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
    FFileNameLabel = MakeLabel(this, 52, 40, 176, 12, LabelColour);
    FFileNameLabel->setObjectName("fileNameLabel");
    FVersionLabel = MakeLabel(this, 52, 52, 176, 12, LabelColour);
    FVersionLabel->setObjectName("versionLabel");
    FCopyrightLabel = MakeLabel(this, 52, 68, 176, 12, LabelColour);
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
    FCloseButton = new QPushButton(QtText(SJIS("閉じる")), this);
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
    FBehaviour->SetDragDrop(false);
    FBehaviour->SetDropNamesEnabled(false);
    FBehaviour->SetEraseBackGround(true);
    FBehaviour->SetBGrelocation(false);
    FBehaviour->SetStacking(TStacking::Normal);
    FBehaviour->SetFitScreenPx(0);
    // The box moves from any point, its labels included.
    FBehaviour->OnCanDragMove = [](QObject*, int, int, bool& dragMove) { dragMove = true; };

    FormCreate();
}

void TAboutBox::FormCreate() {
    TAppGlobals& globals = AppGlobals();
    FFileNameLabel->setText(QtText("ExeName " + globals.ExeName()));
    FVersionLabel->setText(QtText("Version " + globals.FileVersion()));
    FCopyrightLabel->setText(QtText("Copyright (C) " + globals.CompanyName()));
    FInformationLink->SetLinkURL(InformationAddress(globals.InternalName()));
    FInfoLabel->setText(
        QtText(SJIS("机の上に立てて使う日めくりカレンダーです。ページを引っぱって破り取ると、"
                    "破った紙は机の上に残ります。ページをダブルクリックするとその日のメモを書けます。")));
    // The close button keeps its distance from the bottom edge.
    const int closeGap = height() - FCloseButton->geometry().bottom() - 1;
    resize(width(), WindowHeight);
    FCloseButton->move(FCloseButton->x(), height() - closeGap - FCloseButton->height());
    FInfoLabel->setFixedHeight(FCloseButton->y() - 4 - FInfoLabel->y());

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
    if (title.isNull())
        title = ImageOf(DrawTitle(globals.ProductName()));
    FTitleImage->setPixmap(TransparentPicture(title));
    FPagePicture->setPixmap(TransparentPicture(DrawPagePicture()));
    const QIcon icon = QApplication::windowIcon();
    FIconImage->setPixmap(
        icon.isNull()
            ? QPixmap::fromImage(DrawPagePicture()).scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : icon.pixmap(32, 32));
}

void TAboutBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, FrameImage(width(), height()));
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
