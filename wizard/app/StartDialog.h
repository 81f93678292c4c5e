// The start dialog: the banner, a line of text, "Setup..." (a fresh wizard each time),
// "Restore..." and "Compare..." (a snapshot against its router), "Cancel" (ends the
// program) and "Overview ..." (the help's contents). Its context menu
// holds "About QLWiz...": Linux has no system menu to put it in.
#pragma once

#include "wizard/app/CConfigPropertySheet.h"

#include <QDialog>

#include <functional>

class QMenu;
class QPushButton;

namespace wiz {

class StartDialog : public QDialog {
public:
    explicit StartDialog(QWidget* parent = nullptr);

    // How "Setup..." runs a wizard; tests replace it to drive the sheet themselves.
    using SheetRunner = std::function<void(CConfigPropertySheet& sheet)>;
    void SetSheetRunner(SheetRunner runner) { runSheet_ = std::move(runner); }
    void SetSheetEnvironment(SheetEnvironment env) { env_ = std::move(env); }
    // How "Restore..." and "Compare..." pick a snapshot (given the snapshot folder);
    // tests replace it.
    using FileChooser = std::function<QString(const QString& dir)>;
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    void Setup();
    void Overview();
    void ShowAbout();
    // Picks a snapshot in the snapshot folder and puts its router back as it was.
    void Restore();
    // Picks a snapshot and shows what its router holds differently, Restore offered.
    void Compare();

    QPushButton* SetupButton() const { return setup_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* OverviewButton() const { return overview_; }
    QPushButton* RestoreButton() const { return restore_; }
    QPushButton* CompareButton() const { return compare_; }
    // The context menu, built as it would be shown.
    QMenu* ContextMenu();

    static const char* const Text;
    static const char* const AboutItem;  // string 101

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPushButton* setup_;
    QPushButton* cancel_;
    QPushButton* overview_;
    QPushButton* restore_;
    QPushButton* compare_;
    QMenu* menu_ = nullptr;
    SheetRunner runSheet_;
    FileChooser chooseFile_;
    SheetEnvironment env_;
};

} // namespace wiz
