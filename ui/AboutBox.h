#pragma once
// TAboutBox: a small borderless, rounded, always-on-top window with the program's title,
// icon, file name, version, a link to the maker's information page and a short text,
// dragged from any point, closed with its button.

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

    // The title drawn from the product name, 160 × 32, smoothed by drawing at twice the
    // size and halving; font: the face and height it was drawn with.
    static TBitmap DrawTitle(const std::string& productName, TFont* font = nullptr);
    // The window's frames at the size width × height, on white.
    static QImage FrameImage(int width, int height);
    // The maker's information page of the program named internalName.
    static std::string InformationAddress(const std::string& internalName);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();

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
};
