#include "wizard/pages/CConfigPropertyPage9.h"

#include "wizard/framework/MessageBox.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace wiz {
namespace {

enum Box { Spid1, DirNo1, Spid2, DirNo2 };

// The SPID boxes take 20 characters, as many digits as a SPID may have; a box cut at
// 16 would make the longer SPIDs that the check allows impossible to type.
constexpr int SpidBoxLimit = 20;
// The number boxes take more than the 16 digits allowed, so a longer entry is refused
// with a message instead of being cut silently.
constexpr int DirNoBoxLimit = 20;

} // namespace

CConfigPropertyPage9::CConfigPropertyPage9() : CConfigPage(PageId::LineIdsWithSpids, 115, QStringLiteral("ISDN Line IDs")) {}

void CConfigPropertyPage9::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral(
                      "Your switch type requires you to enter 2 pairs of SPIDs and Directory Numbers.  These should "
                      "have been provided by the telephone company when your ISDN line was installed."));
    boxes_[Spid1] = MakeEdit(QStringLiteral("B Channel 1 SPID"), SpidBoxLimit);
    boxes_[DirNo1] = MakeEdit(QStringLiteral("B Channel 1 Directory Number"), DirNoBoxLimit);
    boxes_[Spid2] = MakeEdit(QStringLiteral("B Channel 2 SPID"), SpidBoxLimit);
    boxes_[DirNo2] = MakeEdit(QStringLiteral("B Channel 2 Directory Number"), DirNoBoxLimit);
    AddField(body, QStringLiteral("B Channel 1 &SPID"), boxes_[Spid1], QStringLiteral("T"));
    AddField(body, QStringLiteral("B Channel  1 &Directory Number"), boxes_[DirNo1], QStringLiteral("T"));
    AddField(body, QStringLiteral("B Channel  2 S&PID"), boxes_[Spid2], QStringLiteral("T"));
    AddField(body, QStringLiteral("B Channel 2 D&irectory Number"), boxes_[DirNo2], QStringLiteral("T"));
}

void CConfigPropertyPage9::OnDestroyWindow() {
    for (QLineEdit*& box : boxes_) box = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage9::LoadControls() {
    texts_[Spid1] = QString::fromStdString(settings_->Channel1Spid());
    texts_[DirNo1] = QString::fromStdString(settings_->Channel1DirNo());
    texts_[Spid2] = QString::fromStdString(settings_->Channel2Spid());
    texts_[DirNo2] = QString::fromStdString(settings_->Channel2DirNo());
    for (int i = 0; i < 4; ++i) boxes_[i]->setText(texts_[i]);
}

bool CConfigPropertyPage9::StoreControls() {
    for (int i = 0; i < 4; ++i) texts_[i] = boxes_[i]->text();

    // The question lists the empty boxes channel by channel, SPIDs first.
    static const Box questionOrder[4] = {Spid1, Spid2, DirNo1, DirNo2};
    static const char* const questionLines[4] = {"\tChannel 1 SPID\n", "\tChannel 2 SPID\n",
                                                 "\tChannel 1 Directory Number\n", "\tChannel 2 Directory Number\n"};
    int empty = 0;
    for (const QString& text : texts_)
        if (text.isEmpty()) ++empty;
    if (empty == 4) {
        FocusControl(boxes_[Spid1]);
        ShowMessage(QStringLiteral("You must enter a value for at least one SPID."), MsgButtons::Ok,
                    MsgIcon::Exclamation);
        return false;
    }
    if (empty > 0) {
        QString question = QStringLiteral("You have not entered values for:\n");
        QLineEdit* first = nullptr;
        for (int i = 0; i < 4; ++i) {
            if (!texts_[questionOrder[i]].isEmpty()) continue;
            question += QString::fromLatin1(questionLines[i]);
            if (!first) first = boxes_[questionOrder[i]];
        }
        question += QStringLiteral("Are you certain this is correct?\n\nPress Retry to reenter the blank values, or "
                                   "Cancel to use the values as entered.");
        FocusControl(first);
        if (ShowMessage(question, MsgButtons::RetryCancel, MsgIcon::Exclamation) == IdRetry) return false;
    }

    // Stored in this order, each with the words that name it in a refusal.
    struct Field {
        Box box;
        const char* prefix;
    };
    static const Field fields[4] = {
        {Spid1, "Channel 1 SPID "},
        {Spid2, "Channel 2 SPID "},
        {DirNo1, "Channel 1 Directory Number "},
        {DirNo2, "Channel 2 Directory Number "},
    };
    for (const Field& f : fields) {
        std::string message;
        const std::string text = texts_[f.box].toStdString();
        bool stored = false;
        switch (f.box) {
        case Spid1: stored = settings_->SetChannel1Spid(text, message); break;
        case Spid2: stored = settings_->SetChannel2Spid(text, message); break;
        case DirNo1: stored = settings_->SetChannel1DirNo(text, message); break;
        case DirNo2: stored = settings_->SetChannel2DirNo(text, message); break;
        }
        if (!stored) {
            FocusControl(boxes_[f.box]);
            ShowMessage(QString::fromLatin1(f.prefix) + QString::fromStdString(message), MsgButtons::Ok,
                        MsgIcon::Exclamation);
            return false;
        }
    }
    WriteProfile(QStringLiteral("Channel1SPID"), texts_[Spid1]);
    WriteProfile(QStringLiteral("Channel1DirNo"), texts_[DirNo1]);
    WriteProfile(QStringLiteral("Channel2SPID"), texts_[Spid2]);
    WriteProfile(QStringLiteral("Channel2DirNo"), texts_[DirNo2]);
    return true;
}

QString CConfigPropertyPage9::SummaryLines() const {
    return QStringLiteral("Channel 1 SPID:\t") + texts_[Spid1] + QStringLiteral("\r\nChannel 1 DirNo:\t") +
           texts_[DirNo1] + QStringLiteral("\r\nChannel 2 SPID:\t") + texts_[Spid2] +
           QStringLiteral("\r\nChannel 2 DirNo:\t") + texts_[DirNo2] + QStringLiteral("\r\n");
}

} // namespace wiz
