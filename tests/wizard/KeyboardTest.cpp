// The whole wizard with the keyboard alone: typing, Tab, arrows, type-ahead in the list,
// Enter for Next and the mnemonics of the buttons and labels.
#include "WizardTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace wiztest {
namespace {

class KeyboardTest : public SheetTest {
protected:
    QWidget* Focus() const { return QApplication::focusWidget(); }
    void Type(const QString& text) {
        ASSERT_NE(Focus(), nullptr);
        QTest::keyClicks(Focus(), text);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        ASSERT_NE(Focus(), nullptr);
        QTest::keyClick(Focus(), key, mods);
        Settle();
    }
};

TEST_F(KeyboardTest, TheWholeWizardWithTheKeyboardAlone) {
    ASSERT_EQ(Focus(), sheet->PasswordPage()->PasswordBox()) << "the first box takes the keyboard";
    Type(QStringLiteral("pw"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), sheet->PasswordPage()->ConfirmBox());
    Type(QStringLiteral("pw"));
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->AddressPage());

    EXPECT_EQ(Focus(), sheet->AddressPage()->AddressBox());
    Type(QStringLiteral("10.0.0.1"));
    Key(Qt::Key_M, Qt::AltModifier);  // the mask label's mnemonic
    EXPECT_EQ(Focus(), sheet->AddressPage()->MaskBox());
    Type(QStringLiteral("255.255.255.0"));
    boxes->Answer(wiz::IdYes);
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->SwitchTypePage());

    // Back and forth with the buttons' mnemonics.
    // A button's mnemonic clicks it the way a mouse would, with its short press animation.
    Key(Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return Active() == sheet->AddressPage(); }, 2000));
    Key(Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return Active() == sheet->SwitchTypePage() && !sheet->Busy(); }, 2000));
    Settle();

    EXPECT_EQ(Focus(), sheet->SwitchTypePage()->SwitchList());
    Type(QStringLiteral("Euro"));
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->DirNoPage());
    EXPECT_EQ(sheet->Settings().SwitchType(), "EuroISDN Net3");

    Type(QStringLiteral("5551234"));
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->SecurityPage());

    EXPECT_EQ(Focus(), sheet->SecurityPage()->OnButton());
    Key(Qt::Key_Down);
    EXPECT_TRUE(sheet->SecurityPage()->OffButton()->isChecked());
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->DialingPage());

    Key(Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(Focus(), sheet->DialingPage()->PrimaryBox());
    Type(QStringLiteral("555 0100"));
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->AuthenticationPage());

    Type(QStringLiteral("office"));
    Key(Qt::Key_Tab);
    Type(QStringLiteral("secret"));
    Key(Qt::Key_Tab);
    Type(QStringLiteral("secret"));
    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->SummaryPage());

    Key(Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->ProgressPage());
    ASSERT_TRUE(WaitUntil([&] { return boxes->Count() >= 2 && !sheet->Busy(); }, 20000));
    Settle();
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!"));
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->Settings().AccountPassword(), "secret");
    EXPECT_EQ(sheet->Settings().PhoneNumber(), "5550100");
}

TEST_F(KeyboardTest, EscapeCancelsAndEveryControlIsNamedAndLabelled) {
    WalkToSummary(QStringLiteral("National ISDN1"));
    // Every page on the path: each input control has an accessible name and, for boxes
    // and lists, a label whose mnemonic reaches it.
    for (wiz::WizardPage* page : Path()) {
        SCOPED_TRACE(page->Title().toStdString());
        ASSERT_TRUE(sheet->SetActivePage(page));
        QWidget* window = page->Window();
        std::vector<QWidget*> buddies;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            if (!label->buddy()) continue;
            buddies.push_back(label->buddy());
            EXPECT_TRUE(label->text().contains(QLatin1Char('&'))) << label->text().toStdString();
        }
        for (QWidget* w : window->findChildren<QWidget*>()) {
            bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QListWidget*>(w);
            if (!input && !qobject_cast<QRadioButton*>(w)) continue;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
            if (input && w->isVisibleTo(window)) {
                EXPECT_NE(std::find(buddies.begin(), buddies.end(), w), buddies.end())
                    << w->accessibleName().toStdString() << " has no label";
            }
        }
    }
    ASSERT_TRUE(sheet->SetActivePage(sheet->SummaryPage()));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet.get(), Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(sheet->isVisible());
}

} // namespace
} // namespace wiztest
