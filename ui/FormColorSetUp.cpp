#include "ui/FormColorSetUp.h"

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
#include "platform/FormMessages.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/Exception.h"
#include "storage/ShiftJis.h"
#include "storage/TextUtils.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"
#include "ui/FrameColorSelect.h"

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

} // namespace

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

// ---- TFormColorSetUp

bool TFormColorSetUp::ColorSetupOpen() { return SetupOpen; }

TFormColorSetUp::TFormColorSetUp(QWidget* owner) : QDialog(owner) {
    SetupOpen = true;
    FDiscardOnClose = true;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QtText(SJIS("配色設定")));
    setMinimumSize(NarrowWidth, 300);

    TreeView1 = new TColorTree(this);
    TreeView1->setObjectName("TreeView1");
    ShapeColor = new TColorShape(this, 0xABABAB);
    ShapeColor->setObjectName("ShapeColor");
    ShapeColor->setGeometry(202, 8, 76, 75);
    auto button = [this](const char* name, const char* caption, int top) {
        auto* made = new QPushButton(QtText(Utf8ToSjis(caption)), this);
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
    FrameColorSelect1 = new TFrameColorSelect(this);
    FrameColorSelect1->move(278, 0);
    FrameColorSelect1->SetColor(0);
    FrameColorSelect1->BuildPalette();

    const auto fromTree = [this](const QDropEvent* event) {
        return event->source() == TreeView1 && event->mimeData()->hasFormat(TColorTree::MimeType);
    };
    for (TColorShape* swatch : FrameColorSelect1->Palette()) {
        swatch->OnDragOver = fromTree;
        swatch->OnDrop = [this, swatch](QDropEvent*) { swatch->SetColor(ShapeColor->Color()); };
    }
    // The picker's sample takes the colour as the picker's own, so that its numbers agree.
    FrameColorSelect1->ShapeColor->OnDragOver = fromTree;
    FrameColorSelect1->ShapeColor->OnDrop = [this](QDropEvent*) { FrameColorSelect1->SetColor(ShapeColor->Color()); };

    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { SelectNode(item); });
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this] { ButtonSelectClick(); });
    TreeView1->OnColorDropped = [this](QTreeWidgetItem* target, uint32_t) {
        BtApply->setEnabled(true);
        if (target == TreeView1->currentItem())
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

TFormColorSetUp::~TFormColorSetUp() {
    if (!FClosed)  // freed with its owner, never closed
        SetupOpen = false;
}

void TFormColorSetUp::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int h = height();
    TreeView1->setGeometry(8, 8, 189, std::max(0, h - 17));
    BtDefault->move(202, h - (DesignHeight - 272));
    BtReset->move(202, h - (DesignHeight - 294));
    BtOK->move(202, h - (DesignHeight - 346));
}

void TFormColorSetUp::AddNodes(QTreeWidgetItem* parent, TxmlList& element) {
    for (int i = 0; i < element.Count(); ++i) {
        TxmlList* child = element.Items(i);
        if (!child || child->TagName().empty())
            continue;  // text between the elements
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView1);
        item->setText(0, QtText(child->TagName()));
        if (child->HasChildElements()) {
            item->setData(0, TColorTree::IsColorRole, false);
            AddNodes(item, *child);
        } else {
            int32_t colour = 0;
            if (!TryStrToInt(Trim(child->GetText()), colour))
                colour = 0;
            item->setData(0, TColorTree::IsColorRole, true);
            item->setData(0, TColorTree::ColorRole, static_cast<uint32_t>(colour) & 0xFFFFFF);
        }
    }
}

void TFormColorSetUp::BuildTree() {
    const QSignalBlocker quiet(TreeView1);
    TreeView1->clear();
    AddNodes(nullptr, ColorScheme());
    TreeView1->expandAll();
    QTreeWidgetItem* first = nullptr;
    for (QTreeWidgetItemIterator it(TreeView1); *it && !first; ++it)
        if (TColorTree::IsColorEntry(*it))
            first = *it;
    TreeView1->setCurrentItem(first);
    SelectNode(first);
}

void TFormColorSetUp::WriteTreeBack() {
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
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

void TFormColorSetUp::SelectNode(QTreeWidgetItem* item) {
    const bool entry = TColorTree::IsColorEntry(item);
    ButtonSelect->setEnabled(entry);
    ShapeColor->setEnabled(entry);
    FrameColorSelect1->SetPickerEnabled(entry);
    if (entry) {
        ShapeColor->SetColor(TColorTree::ColorOf(item));
        FrameColorSelect1->SetColor(TColorTree::ColorOf(item));
    } else {
        ShapeColor->SetColor(0xFFFFFF);
    }
}

void TFormColorSetUp::EnableColourActions() {
    BtApply->setEnabled(true);
    BtReset->setEnabled(true);
}

void TFormColorSetUp::ButtonSelectClick() {
    EnableColourActions();
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item)
        return;
    const QString change = QtText(SJIS("色変更"));
    if (ButtonSelect->text() != change) {
        ButtonSelect->setText(change);
        resize(std::max(width(), WideWidth), height());
    } else if (TColorTree::IsColorEntry(item)) {
        const uint32_t colour = FrameColorSelect1->Color();
        ShapeColor->SetColor(colour);
        item->setData(0, TColorTree::ColorRole, colour);
        TreeView1->viewport()->update();
    }
}

void TFormColorSetUp::BtApplyClick() {
    WriteTreeBack();
    BroadcastToForms(UM_COLORRESET);
}

void TFormColorSetUp::ReportError(const std::string& message) {
    QMessageBox::warning(this, windowTitle(), MessageBoxText(QtText(message)));
}

void TFormColorSetUp::ReloadTree(const std::function<void(TColorsList&)>& load) {
    try {
        load(ColorScheme());
    } catch (const Exception& error) {
        ReportError(error.Message());  // the scheme holds what could be read
    }
    BuildTree();
}

void TFormColorSetUp::BtResetClick() {
    ReloadTree([](TColorsList& scheme) { scheme.Load(); });
}

void TFormColorSetUp::BtDefaultClick() {
    EnableColourActions();
    ReloadTree([](TColorsList& scheme) { scheme.LoadDefaults(); });
}

void TFormColorSetUp::BtLoadClick() {
    const QString filter = QtText(SJIS("色設定ファイル")) + " (*.clr)";
    const QString name = QFileDialog::getOpenFileName(this, QtText(SJIS("色設定の読込み")),
                                                      QtText(AppGlobals().DataDir()), filter);
    if (name.isEmpty())
        return;
    // The tree is what "OK" and "反映させる" write back: it shows the loaded colours.
    EnableColourActions();
    ReloadTree([&name](TColorsList& scheme) { scheme.LoadFrom(SjisText(name)); });
}

void TFormColorSetUp::BtSaveClick() {
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

void TFormColorSetUp::BtOKClick() {
    FDiscardOnClose = false;
    close();
}

void TFormColorSetUp::reject() { close(); }

void TFormColorSetUp::closeEvent(QCloseEvent* event) {
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
        BroadcastToForms(UM_COLORRESET);
        SetupOpen = false;  // the menu may open a new dialog while this one is being freed
    }
    event->accept();
}

void OpenColorSetup(QWidget* owner) {
    if (TFormColorSetUp::ColorSetupOpen())
        return;
    auto* dialog = new TFormColorSetUp(owner);
    dialog->setWindowTitle(dialog->windowTitle() + " " + QtText(AppGlobals().ProductName()));
    dialog->BuildTree();
    CentreOnScreen(dialog);
    dialog->show();
}
