#include "ui/ColorSetupDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include "graphics/Bitmap.h"
#include "platform/WindowMessages.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/Exception.h"
#include "storage/ShiftJis.h"
#include "storage/TextUtils.h"
#include "ui/ColorPicker.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"

namespace {

bool SetupOpen = false;

constexpr int TreeIndent = 20;
constexpr int ButtonWidth = 76;
constexpr int ButtonHeight = 20;
constexpr int DesignHeight = 374;

// Groups in bold on the window colour; colour entries with a square of their colour
// before the name, highlighted when selected.
class TColorTreeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QPalette& palette = option.palette;
        const QRect row = option.rect;
        const QString name = index.data(Qt::DisplayRole).toString();
        QFont font = option.font;
        painter->save();
        if (!index.data(TColorTree::IsColorRole).toBool()) {
            painter->fillRect(row, palette.color(QPalette::Base));
            font.setBold(true);
            painter->setFont(font);
            painter->setPen(palette.color(QPalette::Text));
            painter->drawText(row.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
        } else {
            const bool selected = option.state & QStyle::State_Selected;
            painter->fillRect(row, palette.color(selected ? QPalette::Highlight : QPalette::Base));
            const int side = row.height();
            const QRect square(row.left() + 4, row.top(), side, side - 1);
            painter->fillRect(square, QtColor(index.data(TColorTree::ColorRole).toUInt()));
            painter->setPen(palette.color(QPalette::Shadow));
            painter->drawRect(square.adjusted(0, 0, -1, -1));
            painter->setFont(font);
            painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            const QRect text = row.adjusted(4 + side + 4, 0, 0, 0);
            painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, name);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 18));
        size.setWidth(size.width() + 24);
        return size;
    }
};

}  // namespace

// ---- TColorTree

TColorTree::TColorTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setIndentation(TreeIndent);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);  // the colour drag starts by hand, from the square only
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setUniformRowHeights(true);
    setItemDelegate(new TColorTreeDelegate(this));
    // The items draw their own selection; the branch lines beside them stay plain.
    setStyleSheet("QTreeView { show-decoration-selected: 0; }");
}

bool TColorTree::IsColorEntry(const QTreeWidgetItem* item) { return item && item->data(0, IsColorRole).toBool(); }

uint32_t TColorTree::ColorOf(const QTreeWidgetItem* item) { return item->data(0, ColorRole).toUInt(); }

QRect TColorTree::ColorSquare(const QTreeWidgetItem* item) const {
    const QRect row = visualItemRect(item);
    return QRect(row.left() + 4, row.top(), row.height(), row.height());
}

void TColorTree::mousePressEvent(QMouseEvent* event) {
    FArmed = false;
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (IsColorEntry(item) && ColorSquare(item).contains(event->position().toPoint())) {
        FArmed = true;
        FPressAt = event->position().toPoint();
        FDragColor = ColorOf(item);
    }
    QTreeWidget::mousePressEvent(event);
}

void TColorTree::mouseMoveEvent(QMouseEvent* event) {
    if (!FArmed || !(event->buttons() & Qt::LeftButton)) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - FPressAt).manhattanLength() < 2)
        return;
    FArmed = false;
    auto* payload = new QMimeData;
    payload->setData(MimeType, QByteArray::number(FDragColor));
    auto* drag = new QDrag(this);
    drag->setMimeData(payload);
    QPixmap swatch(12, 12);
    swatch.fill(QtColor(FDragColor));
    drag->setPixmap(swatch);
    drag->exec(Qt::CopyAction);
}

bool TColorTree::AcceptsDrop(const QDropEvent* event) const {
    return event->source() == this && event->mimeData()->hasFormat(MimeType) &&
           IsColorEntry(itemAt(event->position().toPoint()));
}

void TColorTree::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this && event->mimeData()->hasFormat(MimeType))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TColorTree::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TColorTree::dropEvent(QDropEvent* event) {
    if (!AcceptsDrop(event)) {
        event->ignore();
        return;
    }
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    const uint32_t colour = event->mimeData()->data(MimeType).toUInt();
    target->setData(0, ColorRole, colour);
    viewport()->update();
    event->acceptProposedAction();
    if (OnColorDropped)
        OnColorDropped(target, colour);
}

// ---- TColorSetupDialog

bool TColorSetupDialog::ColorSetupOpen() { return SetupOpen; }

TColorSetupDialog::TColorSetupDialog(QWidget* owner) : QDialog(owner) {
    SetupOpen = true;
    FDiscardOnClose = true;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QtText(SJIS("配色設定")));
    setMinimumSize(NarrowWidth, 300);

    ColorTree = new TColorTree(this);
    ColorTree->setObjectName("ColorTree");
    ShapeColor = new TColorShape(this, 0xABABAB);
    ShapeColor->setObjectName("ShapeColor");
    ShapeColor->setGeometry(202, 8, 76, 75);
    auto button = [this](const char* name, const char* caption, int top) {
        auto* made = new QPushButton(QtLiteral(caption), this);
        made->setObjectName(name);
        made->setGeometry(202, top, ButtonWidth, ButtonHeight);
        made->setAutoDefault(false);
        return made;
    };
    ButtonSelect = button("ButtonSelect", "色選択>>", 96);
    BtApply = button("BtApply", "反映させる", 120);
    BtSave = button("BtSave", "書出し", 152);
    BtLoad = button("BtLoad", "読込み", 172);
    BtDefault = button("BtDefault", "初期値", 272);
    BtReset = button("BtReset", "元に戻す", 294);
    BtOK = button("BtOK", "OK", 346);
    BtApply->setEnabled(false);
    BtReset->setEnabled(false);
    BtSave->hide();
    BtLoad->hide();
    Picker = new TColorPicker(this);
    Picker->move(278, 0);
    Picker->SetColor(0);
    Picker->BuildPalette();

    const auto fromTree = [this](const QDropEvent* event) {
        return event->source() == ColorTree && event->mimeData()->hasFormat(TColorTree::MimeType);
    };
    for (TColorShape* swatch : Picker->Palette()) {
        swatch->OnDragOver = fromTree;
        swatch->OnDrop = [this, swatch](QDropEvent*) { swatch->SetColor(ShapeColor->Color()); };
    }
    // The picker's sample takes the colour as the picker's own, so that its numbers agree.
    Picker->ShapeColor->OnDragOver = fromTree;
    Picker->ShapeColor->OnDrop = [this](QDropEvent*) { Picker->SetColor(ShapeColor->Color()); };

    connect(ColorTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { SelectNode(item); });
    connect(ColorTree, &QTreeWidget::itemDoubleClicked, this, [this] { ButtonSelectClick(); });
    ColorTree->OnColorDropped = [this](QTreeWidgetItem* target, uint32_t) {
        BtApply->setEnabled(true);
        if (target == ColorTree->currentItem())
            SelectNode(target);
    };
    connect(ButtonSelect, &QPushButton::clicked, this, [this] { ButtonSelectClick(); });
    connect(BtApply, &QPushButton::clicked, this, [this] { BtApplyClick(); });
    connect(BtReset, &QPushButton::clicked, this, [this] { BtResetClick(); });
    connect(BtDefault, &QPushButton::clicked, this, [this] { BtDefaultClick(); });
    connect(BtLoad, &QPushButton::clicked, this, [this] { BtLoadClick(); });
    connect(BtSave, &QPushButton::clicked, this, [this] { BtSaveClick(); });
    connect(BtOK, &QPushButton::clicked, this, [this] { BtOKClick(); });

    resize(NarrowWidth, DesignHeight);
}

TColorSetupDialog::~TColorSetupDialog() {
    if (!FClosed)  // freed with its owner, never closed
        SetupOpen = false;
}

void TColorSetupDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int h = height();
    ColorTree->setGeometry(8, 8, 189, std::max(0, h - 17));
    BtDefault->move(202, h - (DesignHeight - 272));
    BtReset->move(202, h - (DesignHeight - 294));
    BtOK->move(202, h - (DesignHeight - 346));
}

void TColorSetupDialog::AddNodes(QTreeWidgetItem* parent, TXmlNode& element) {
    for (int i = 0; i < element.Count(); ++i) {
        TXmlNode* child = element.Items(i);
        if (!child || child->TagName().empty())
            continue;  // text between the elements
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(ColorTree);
        item->setText(0, QtText(child->TagName()));
        if (child->HasChildElements()) {
            item->setData(0, TColorTree::IsColorRole, false);
            AddNodes(item, *child);
        } else {
            int32_t colour = 0;
            if (!TryParseInt(Trim(child->GetText()), colour))
                colour = 0;
            item->setData(0, TColorTree::IsColorRole, true);
            item->setData(0, TColorTree::ColorRole, static_cast<uint32_t>(colour) & 0xFFFFFF);
        }
    }
}

void TColorSetupDialog::BuildTree() {
    const QSignalBlocker quiet(ColorTree);
    ColorTree->clear();
    AddNodes(nullptr, ColorScheme());
    ColorTree->expandAll();
    QTreeWidgetItem* first = nullptr;
    for (QTreeWidgetItemIterator it(ColorTree); *it && !first; ++it)
        if (TColorTree::IsColorEntry(*it))
            first = *it;
    ColorTree->setCurrentItem(first);
    SelectNode(first);
}

void TColorSetupDialog::WriteTreeBack() {
    for (QTreeWidgetItemIterator it(ColorTree); *it; ++it) {
        const QTreeWidgetItem* item = *it;
        if (item->childCount() > 0)
            continue;
        QStringList steps;
        for (const QTreeWidgetItem* step = item; step; step = step->parent())
            steps.prepend(step->text(0));
        const std::string path = SjisText("\\" + steps.join('\\'));
        ColorScheme().SetColor(path, TColorTree::ColorOf(item));
    }
}

void TColorSetupDialog::SelectNode(QTreeWidgetItem* item) {
    const bool entry = TColorTree::IsColorEntry(item);
    ButtonSelect->setEnabled(entry);
    ShapeColor->setEnabled(entry);
    Picker->SetPickerEnabled(entry);
    if (entry) {
        ShapeColor->SetColor(TColorTree::ColorOf(item));
        Picker->SetColor(TColorTree::ColorOf(item));
    } else {
        ShapeColor->SetColor(0xFFFFFF);
    }
}

void TColorSetupDialog::EnableColourActions() {
    BtApply->setEnabled(true);
    BtReset->setEnabled(true);
}

void TColorSetupDialog::ButtonSelectClick() {
    EnableColourActions();
    QTreeWidgetItem* item = ColorTree->currentItem();
    if (!item)
        return;
    const QString change = QtText(SJIS("色変更"));
    if (ButtonSelect->text() != change) {
        ButtonSelect->setText(change);
        resize(std::max(width(), WideWidth), height());
    } else if (TColorTree::IsColorEntry(item)) {
        const uint32_t colour = Picker->Color();
        ShapeColor->SetColor(colour);
        item->setData(0, TColorTree::ColorRole, colour);
        ColorTree->viewport()->update();
    }
}

void TColorSetupDialog::BtApplyClick() {
    WriteTreeBack();
    BroadcastToWindows(UM_COLORRESET);
}

void TColorSetupDialog::ReportError(const std::string& message) {
    QMessageBox::warning(this, windowTitle(), MessageBoxText(QtText(message)));
}

void TColorSetupDialog::ReloadTree(const std::function<void(TColorScheme&)>& load) {
    try {
        load(ColorScheme());
    } catch (const Exception& error) {
        ReportError(error.Message());  // the scheme holds what could be read
    }
    BuildTree();
}

void TColorSetupDialog::BtResetClick() {
    ReloadTree([](TColorScheme& scheme) { scheme.Load(); });
}

void TColorSetupDialog::BtDefaultClick() {
    EnableColourActions();
    ReloadTree([](TColorScheme& scheme) { scheme.LoadDefaults(); });
}

void TColorSetupDialog::BtLoadClick() {
    const QString filter = QtText(SJIS("色設定ファイル")) + " (*.clr)";
    const QString name =
        QFileDialog::getOpenFileName(this, QtText(SJIS("色設定の読込み")), QtText(AppGlobals().DataDir()), filter);
    if (name.isEmpty())
        return;
    // The tree is what "OK" and "反映させる" write back: it shows the loaded colours.
    EnableColourActions();
    ReloadTree([&name](TColorScheme& scheme) { scheme.LoadFrom(SjisText(name)); });
}

void TColorSetupDialog::BtSaveClick() {
    QFileDialog dialog(this, QtText(SJIS("色設定の書出し")), QtText(AppGlobals().DataDir()),
                       QtText(SJIS("色設定ファイル")) + " (*.clr)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("clr");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    WriteTreeBack();
    try {
        ColorScheme().SaveTo(SjisText(dialog.selectedFiles().first()));
    } catch (const Exception& error) {
        ReportError(error.Message());
    }
}

void TColorSetupDialog::BtOKClick() {
    FDiscardOnClose = false;
    close();
}

void TColorSetupDialog::reject() { close(); }

void TColorSetupDialog::closeEvent(QCloseEvent* event) {
    if (!FClosed) {
        FClosed = true;
        try {
            if (FDiscardOnClose) {
                ColorScheme().Load();
            } else {
                WriteTreeBack();
                ColorScheme().Save();
            }
        } catch (const Exception& error) {
            ReportError(error.Message());
        }
        BroadcastToWindows(UM_COLORRESET);
        SetupOpen = false;  // the menu may open a new dialog while this one is being freed
    }
    event->accept();
}

void OpenColorSetup(QWidget* owner) {
    if (TColorSetupDialog::ColorSetupOpen())
        return;
    auto* dialog = new TColorSetupDialog(owner);
    dialog->setWindowTitle(dialog->windowTitle() + " " + QtText(AppGlobals().ProductName()));
    dialog->BuildTree();
    CentreOnScreen(dialog);
    dialog->show();
}
