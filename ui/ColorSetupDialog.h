#pragma once
// TColorSetupDialog: the colour scheme as a tree of groups and colour entries, the colour
// picker beside it, and buttons to apply, undo, restore the shipped colours and keep the
// result. Only one is open at a time; it does not block the other windows.

#include <QDialog>
#include <QTreeWidget>
#include <cstdint>
#include <functional>

class QPushButton;
class TColorShape;
class TColorPicker;
class TColorScheme;
class TXmlNode;

// The tree of the dialog: draws its items itself and lets the colour of an entry be
// dragged from the square before its name onto another entry.
class TColorTree : public QTreeWidget {
public:
    explicit TColorTree(QWidget* parent);

    static constexpr int ColorRole = Qt::UserRole;
    static constexpr int IsColorRole = Qt::UserRole + 1;
    static constexpr const char* MimeType = "application/x-quillo-colour";

    static bool IsColorEntry(const QTreeWidgetItem* item);
    static uint32_t ColorOf(const QTreeWidgetItem* item);
    // The square before an entry's name, from which a drag of its colour starts.
    QRect ColorSquare(const QTreeWidgetItem* item) const;

    std::function<void(QTreeWidgetItem* target, uint32_t color)> OnColorDropped;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool AcceptsDrop(const QDropEvent* event) const;

    QPoint FPressAt;
    bool FArmed = false;
    uint32_t FDragColor = 0;
};

class TColorSetupDialog : public QDialog {
public:
    explicit TColorSetupDialog(QWidget* owner);
    ~TColorSetupDialog() override;

    // True while a dialog exists; OpenColorSetup opens no second one.
    static bool ColorSetupOpen();

    void BuildTree();
    // Stores every colour entry of the tree into the scheme at "\group\...\entry".
    void WriteTreeBack();

    bool DiscardOnClose() const { return FDiscardOnClose; }

    // Client widths with the picker hidden and shown.
    static constexpr int NarrowWidth = 278 + 8;
    static constexpr int WideWidth = 278 + 260;

    // Escape closes the dialog like its close box.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AddNodes(QTreeWidgetItem* parent, TXmlNode& element);
    void SelectNode(QTreeWidgetItem* item);
    void EnableColorActions();
    void PickerButtonClick();
    void ApplyButtonClick();
    void RevertButtonClick();
    void DefaultsButtonClick();
    void ImportButtonClick();
    void ExportButtonClick();
    void OkButtonClick();
    void ReportError(const std::string& message);
    // Fills the scheme with load (errors reported) and builds the tree from it.
    void ReloadTree(const std::function<void(TColorScheme&)>& load);

    TColorTree* FColorTree = nullptr;
    TColorShape* FEntrySwatch = nullptr;
    QPushButton* FPickerButton = nullptr;
    QPushButton* FApplyButton = nullptr;
    QPushButton* FExportButton = nullptr;
    QPushButton* FImportButton = nullptr;
    QPushButton* FDefaultsButton = nullptr;
    QPushButton* FRevertButton = nullptr;
    QPushButton* FOkButton = nullptr;
    TColorPicker* FPicker = nullptr;
    bool FDiscardOnClose = true;
    bool FClosed = false;
};
