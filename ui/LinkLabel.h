#pragma once
// A label that acts as a link to a web address, a mail address, a file or a folder:
// underlined while the mouse is over it, opened by the desktop when clicked.

#include <QLabel>
#include <functional>
#include <string>

class TLinkLabel : public QLabel {
public:
    explicit TLinkLabel(QWidget* parent = nullptr);

    // The caption.
    std::string Caption() const;
    void SetCaption(const std::string& caption);

    // The target; when empty the caption is the target. An existing file shows its name
    // without folder as the caption, an existing folder the path up to its last separator.
    const std::string& LinkURL() const { return FLinkURL; }
    void SetLinkURL(const std::string& value);

    // Runs the label's own click handler, then opens the target: files and folders as
    // they are, anything else as an address ("mailto:" unless it is a web address).
    void Click();

    std::function<void()> OnClick;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetUnderline(bool underline);

    std::string FLinkURL;
    bool FPressed = false;
};
