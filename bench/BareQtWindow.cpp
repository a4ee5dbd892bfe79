// The floor of the start-up benchmark: a bare Qt Widgets window of the calendar's size that
// draws a few words in the fonts of the page (Bebas Neue, Noto Sans CJK JP Black, IPAPGothic,
// Liberation Sans) and nothing else. The calendar's own work before its first paint is what
// it takes beyond this.

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QWidget>

namespace {

class TBareWindow : public QWidget {
public:
    TBareWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) { setFixedSize(130, 151); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xFD, 0xFD, 0xFE));
        painter.setPen(QColor(0x60, 0x60, 0x60));
        const struct {
            const char* Family;
            const char* Style;
            int Pixels;
            int Y;
            const char* Text;
        } lines[] = {
            {"Bebas Neue", "Regular", 60, 90, "8"},
            {"Noto Sans CJK JP", "Black", 10, 30, "令和八年"},
            {"IPAPGothic", "", 12, 120, "メモ"},
            {"Liberation Sans", "", 10, 140, "MENU"},
        };
        for (const auto& line : lines) {
            QFont font(QString::fromUtf8(line.Family));
            font.setStyleName(QString::fromUtf8(line.Style));
            font.setPixelSize(line.Pixels);
            painter.setFont(font);
            painter.drawText(10, line.Y, QString::fromUtf8(line.Text));
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TBareWindow window;
    window.show();
    return application.exec();
}
