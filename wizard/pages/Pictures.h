// The program's pictures, from the resources: the start dialog's banner, the wizard's
// side picture and the application icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace wiz {

// Width of the side picture column; the pages' controls start right of it.
inline constexpr int SidePictureWidth = 140;

QPixmap BannerPicture();
QPixmap WizardPicture();
QIcon AppIcon();
// Registers the resources of the static library (pictures and help) and names the help
// document; idempotent.
void InitResources();

} // namespace wiz
