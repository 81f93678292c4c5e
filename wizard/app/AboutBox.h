// "About QLWiz": the icon, the program's name and version, OK.
#pragma once

#include <QDialog>

namespace wiz {

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);
    static const char* const Text;
};

} // namespace wiz
