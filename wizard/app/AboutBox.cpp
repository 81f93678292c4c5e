#include "wizard/app/AboutBox.h"

#include "qlwiz_version.h"
#include "wizard/pages/Pictures.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace wiz {

const char* const AboutBox::Text = "ISDN Quillet Setup Wizard\nVersion " QLWIZ_VERSION;

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About QLWiz"));
    setWindowIcon(AppIcon());
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    icon->setAccessibleName(QStringLiteral("Quillet Wizard icon"));
    auto* text = new QLabel(QString::fromLatin1(Text), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout();
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

} // namespace wiz
