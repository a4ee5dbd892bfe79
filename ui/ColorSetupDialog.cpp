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

#include <algorithm>

#include "graphics/Bitmap.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/Exception.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"
#include "ui/ColorPicker.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"
#include "ui/Notices.h"

namespace {

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
            const QRgb shadow = palette.color(QPalette::Shadow).rgb();
            DrawColorSquare(*painter, square, painter->device()->devicePixelRatioF(),
                            index.data(TColorTree::ColorRole).toUInt(),
                            static_cast<uint32_t>(qRed(shadow) | qGreen(shadow) << 8 | qBlue(shadow) << 16));
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
    const uint32_t color = event->mimeData()->data(MimeType).toUInt();
    target->setData(0, ColorRole, color);
    viewport()->update();
    event->acceptProposedAction();
    if (OnColorDropped)
        OnColorDropped(target, color);
}

// ---- TColorSetupDialog

bool TColorSetupDialog::ColorSetupOpen() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
        auto* setup = dynamic_cast<TColorSetupDialog*>(window);
        return setup && !setup->FClosed;
    });
}

TColorSetupDialog::TColorSetupDialog(QWidget* owner) : QDialog(owner) {
    FDiscardOnClose = true;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QtText("配色設定"));
    setMinimumSize(NarrowWidth, 300);

    FColorTree = new TColorTree(this);
    FColorTree->setObjectName("colorTree");
    FEntrySwatch = new TColorShape(this, 0xABABAB);
    FEntrySwatch->setObjectName("entrySwatch");
    FEntrySwatch->setGeometry(202, 8, 76, 75);
    auto button = [this](const char* name, const char* caption, int top) {
        auto* made = new QPushButton(QtText(caption), this);
        made->setObjectName(name);
        made->setGeometry(202, top, ButtonWidth, ButtonHeight);
        made->setAutoDefault(false);
        return made;
    };
    FPickerButton = button("pickerButton", "色選択>>", 96);
    FApplyButton = button("applyButton", "反映させる", 120);
    FExportButton = button("exportButton", "書出し", 152);
    FImportButton = button("importButton", "読込み", 172);
    FDefaultsButton = button("defaultsButton", "初期値", 272);
    FRevertButton = button("revertButton", "元に戻す", 294);
    FOkButton = button("okButton", "OK", 346);
    FApplyButton->setEnabled(false);
    FRevertButton->setEnabled(false);
    FExportButton->hide();
    FImportButton->hide();
    FPicker = new TColorPicker(this);
    FPicker->move(278, 0);
    FPicker->SetColor(0);
    FPicker->BuildPalette();

    const auto fromTree = [this](const QDropEvent* event) {
        return event->source() == FColorTree && event->mimeData()->hasFormat(TColorTree::MimeType);
    };
    for (TColorShape* swatch : FPicker->Palette()) {
        swatch->OnDragOver = fromTree;
        swatch->OnDrop = [this, swatch](QDropEvent*) { swatch->SetColor(FEntrySwatch->Color()); };
    }
    // The picker's sample takes the colour as the picker's own, so that its numbers agree.
    FPicker->Swatch()->OnDragOver = fromTree;
    FPicker->Swatch()->OnDrop = [this](QDropEvent*) { FPicker->SetColor(FEntrySwatch->Color()); };

    connect(FColorTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { SelectNode(item); });
    connect(FColorTree, &QTreeWidget::itemDoubleClicked, this, [this] { PickerButtonClick(); });
    FColorTree->OnColorDropped = [this](QTreeWidgetItem* target, uint32_t) {
        FApplyButton->setEnabled(true);
        if (target == FColorTree->currentItem())
            SelectNode(target);
    };
    connect(FPickerButton, &QPushButton::clicked, this, [this] { PickerButtonClick(); });
    connect(FApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
    connect(FRevertButton, &QPushButton::clicked, this, [this] { RevertButtonClick(); });
    connect(FDefaultsButton, &QPushButton::clicked, this, [this] { DefaultsButtonClick(); });
    connect(FImportButton, &QPushButton::clicked, this, [this] { ImportButtonClick(); });
    connect(FExportButton, &QPushButton::clicked, this, [this] { ExportButtonClick(); });
    connect(FOkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });

    resize(NarrowWidth, DesignHeight);
}

TColorSetupDialog::~TColorSetupDialog() = default;

void TColorSetupDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int h = height();
    FColorTree->setGeometry(8, 8, 189, std::max(0, h - 17));
    FDefaultsButton->move(202, h - (DesignHeight - 272));
    FRevertButton->move(202, h - (DesignHeight - 294));
    FOkButton->move(202, h - (DesignHeight - 346));
}

void TColorSetupDialog::AddNodes(QTreeWidgetItem* parent, TXmlNode& element) {
    for (int i = 0; i < element.Count(); ++i) {
        TXmlNode* child = element.Items(i);
        if (!child || child->TagName().empty())
            continue;  // text between the elements
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(FColorTree);
        item->setText(0, QtText(child->TagName()));
        if (child->HasChildElements()) {
            item->setData(0, TColorTree::IsColorRole, false);
            AddNodes(item, *child);
        } else {
            int32_t color = 0;
            if (!TryParseInt(Trim(child->GetText()), color))
                color = 0;
            item->setData(0, TColorTree::IsColorRole, true);
            item->setData(0, TColorTree::ColorRole, static_cast<uint32_t>(color) & 0xFFFFFF);
        }
    }
}

void TColorSetupDialog::BuildTree() {
    const QSignalBlocker quiet(FColorTree);
    FColorTree->clear();
    AddNodes(nullptr, ColorScheme());
    FColorTree->expandAll();
    QTreeWidgetItem* first = nullptr;
    for (QTreeWidgetItemIterator it(FColorTree); *it && !first; ++it)
        if (TColorTree::IsColorEntry(*it))
            first = *it;
    FColorTree->setCurrentItem(first);
    SelectNode(first);
}

void TColorSetupDialog::WriteTreeBack() {
    for (QTreeWidgetItemIterator it(FColorTree); *it; ++it) {
        const QTreeWidgetItem* item = *it;
        if (item->childCount() > 0)
            continue;
        QStringList steps;
        for (const QTreeWidgetItem* step = item; step; step = step->parent())
            steps.prepend(step->text(0));
        const std::string path = ProgramText("\\" + steps.join('\\'));
        ColorScheme().SetColor(path, TColorTree::ColorOf(item));
    }
}

void TColorSetupDialog::SelectNode(QTreeWidgetItem* item) {
    const bool entry = TColorTree::IsColorEntry(item);
    FPickerButton->setEnabled(entry);
    FEntrySwatch->setEnabled(entry);
    FPicker->SetPickerEnabled(entry);
    if (entry) {
        FEntrySwatch->SetColor(TColorTree::ColorOf(item));
        FPicker->SetColor(TColorTree::ColorOf(item));
    } else {
        FEntrySwatch->SetColor(0xFFFFFF);
    }
}

void TColorSetupDialog::EnableColorActions() {
    FApplyButton->setEnabled(true);
    FRevertButton->setEnabled(true);
}

void TColorSetupDialog::PickerButtonClick() {
    EnableColorActions();
    QTreeWidgetItem* item = FColorTree->currentItem();
    if (!item)
        return;
    const QString change = QtText("色変更");
    if (FPickerButton->text() != change) {
        FPickerButton->setText(change);
        resize(std::max(width(), WideWidth), height());
    } else if (TColorTree::IsColorEntry(item)) {
        const uint32_t color = FPicker->Color();
        FEntrySwatch->SetColor(color);
        item->setData(0, TColorTree::ColorRole, color);
        FColorTree->viewport()->update();
    }
}

void TColorSetupDialog::ApplyButtonClick() {
    WriteTreeBack();
    ColorsChangedNotice().Notify();
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

void TColorSetupDialog::RevertButtonClick() {
    ReloadTree([](TColorScheme& scheme) { scheme.Load(); });
}

void TColorSetupDialog::DefaultsButtonClick() {
    EnableColorActions();
    ReloadTree([](TColorScheme& scheme) { scheme.LoadDefaults(); });
}

void TColorSetupDialog::ImportButtonClick() {
    const QString filter = QtText("色設定ファイル") + " (*.clr)";
    const QString name =
        QFileDialog::getOpenFileName(this, QtText("色設定の読込み"), QtPath(AppGlobals().DataDir()), filter);
    if (name.isEmpty())
        return;
    // The tree is what "OK" and "反映させる" write back: it shows the loaded colours.
    EnableColorActions();
    ReloadTree([&name](TColorScheme& scheme) { scheme.LoadFrom(ProgramPath(name)); });
}

void TColorSetupDialog::ExportButtonClick() {
    QFileDialog dialog(this, QtText("色設定の書出し"), QtPath(AppGlobals().DataDir()),
                       QtText("色設定ファイル") + " (*.clr)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("clr");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    WriteTreeBack();
    try {
        ColorScheme().SaveTo(ProgramPath(dialog.selectedFiles().first()));
    } catch (const Exception& error) {
        ReportError(error.Message());
    }
}

void TColorSetupDialog::OkButtonClick() {
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
        ColorsChangedNotice().Notify();
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
