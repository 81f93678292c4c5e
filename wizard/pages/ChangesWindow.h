// The command lines the wizard would send to a Quillet, before any is sent: grouped
// under plain headings (run/CommandPreview), each line once, passwords masked unless
// asked for, in a read-only text whose caret the keys move line by line. "Changes..."
// on the summary page shows what the configure step would send (Close); a restore shows
// what it would write back and asks for Restore or Cancel. "Compare..." shows, in the
// same view, the settings a Quillet holds differently from a snapshot, and offers the
// restore (Restore... or Close).
#pragma once

#include "run/CommandPreview.h"
#include "run/SnapshotDiff.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace wiz {

class ChangesWindow : public QDialog {
public:
    enum class Purpose { Changes, Restore, Compare };

    // `error` (may be empty) says why the configure step would stop before its end.
    ChangesWindow(Purpose purpose, VLQLWizUIControl::GroupedPreview preview, const QString& error,
                  const QString& address, QWidget* parent = nullptr);
    // Purpose::Compare: what the Quillet at `address` holds differently from a snapshot.
    ChangesWindow(std::vector<VLQLWizUIControl::SettingDifference> differences, const QString& address,
                  QWidget* parent = nullptr);

    const VLQLWizUIControl::GroupedPreview& Preview() const { return preview_; }
    QLabel* IntroLabel() const { return intro_; }
    QPlainTextEdit* LinesBox() const { return box_; }
    QCheckBox* ShowPasswordsBox() const { return showPasswords_; }
    // Restore or Restore... (Purpose::Restore and Compare, else null), and Close or Cancel.
    QPushButton* RestoreButton() const { return restore_; }
    QPushButton* CloseButton() const { return close_; }

    static constexpr int ChangesTopic = 126;
    static constexpr int RestoreTopic = 4204;
    static constexpr int CompareTopic = 4208;

private:
    void Build(const QString& text);
    void ShowLines();

    const Purpose purpose_;
    std::vector<VLQLWizUIControl::SettingDifference> differences_; // Purpose::Compare
    VLQLWizUIControl::GroupedPreview preview_;
    QLabel* intro_;
    QPlainTextEdit* box_;
    QCheckBox* showPasswords_;
    QPushButton* restore_ = nullptr;
    QPushButton* close_;
};

} // namespace wiz
