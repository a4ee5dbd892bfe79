#include "ui/LinkLabel.h"

#include <QMouseEvent>

#include "storage/FileUtils.h"
#include "storage/TextUtils.h"
#include "ui/DialogSupport.h"

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, Qt::blue);
    setPalette(colors);
}

std::string TLinkLabel::Caption() const { return ProgramText(text()); }

void TLinkLabel::SetCaption(const std::string& caption) { setText(QtText(caption)); }

void TLinkLabel::SetLinkURL(const std::string& value) {
    FLinkURL = value;
    if (FileExists(value)) {
        const std::string folder = FolderOf(value);
        SetCaption(value.substr(folder.size()));
    } else if (DirectoryExists(value)) {
        const size_t separator = value.rfind('/');
        if (separator != std::string::npos)
            SetCaption(value.substr(0, separator));
    }
}

void TLinkLabel::Click() {
    if (OnClick)
        OnClick();
    const std::string target = FLinkURL.empty() ? Caption() : FLinkURL;
    if (target.empty())
        return;
    if (FileExists(target) || DirectoryExists(target))
        ShellOpen(target);
    else
        OpenMailOrUrl(target);
}

void TLinkLabel::SetUnderline(bool underline) {
    QFont face = font();
    face.setUnderline(underline);
    setFont(face);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    SetUnderline(true);
    QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event) {
    SetUnderline(false);
    QLabel::leaveEvent(event);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    FPressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Click();
}
