#pragma once
// TAboutBox: a small borderless, rounded, always-on-top window with the program's title,
// icon, file name, version, a link to the maker's information page and a short text,
// dragged from any point, closed with its button.
//
// Its pictures and frames are made in device pixels for the device pixel ratio of the
// box's screen and shown one to one; its place and size stay logical. Moved to a screen of
// another ratio, it makes them anew.

#include <QDialog>
#include <QImage>
#include <string>

#include "graphics/Canvas.h"

class QLabel;
class QPushButton;
class TBitmap;
class TLinkLabel;
class TWindowBehaviour;

class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* owner = nullptr);

    // The title drawn from the product name, 160 × 32 logical pixels in device pixels for
    // ratio (DeviceLength of each side): drawn at twice the logical size and halved at
    // ratio 1, shown as drawn at 2, reduced with a box filter in between, drawn at the
    // ratio's own size above 2. font: the face and height of the drawing at twice the size
    // (at ratios above 2, at that ratio's size).
    static TBitmap DrawTitle(const std::string& productName, TFont* font = nullptr, double ratio = 1);
    // The window's frames for a window of width × height logical pixels, on white, in device
    // pixels for ratio: each logical pixel of the frames as the device pixels it covers, so
    // that every line is one logical pixel wide and its corners match the rounded shape.
    static QImage FrameImage(int width, int height, double ratio = 1);

    // The ratio the pictures were last made for.
    double PictureRatio() const { return FPictureRatio; }
    // Makes the pictures anew for a screen of ratio when it differs from PictureRatio.
    void FollowDevicePixelRatio(double ratio);
    // The maker's information page of the program named internalName.
    static std::string InformationAddress(const std::string& internalName);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillTexts();
    void MakePictures(double ratio);

    TWindowBehaviour* FBehaviour = nullptr;
    QLabel* FTitleImage = nullptr;
    QLabel* FPagePicture = nullptr;
    QLabel* FIconImage = nullptr;
    QLabel* FFileNameLabel = nullptr;
    QLabel* FVersionLabel = nullptr;
    QLabel* FCopyrightLabel = nullptr;
    TLinkLabel* FInformationLink = nullptr;
    QLabel* FInfoLabel = nullptr;
    QPushButton* FCloseButton = nullptr;
    double FPictureRatio = 0;
    // The frames as last painted, in device pixels.
    QImage FFrames;
};
