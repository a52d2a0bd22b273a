#pragma once
// The program's icons and state pictures, drawn for this program as SVG files
// (app/pictures/) and rendered when first asked for. Numbers are the resource
// numbers the dialogs use.

#include <QIcon>
#include <QPixmap>
#include <cstdint>

inline constexpr int kIconMode32 = 128;
inline constexpr int kIconMode24 = 129;
inline constexpr int kPictureNoScenario = 134;
inline constexpr int kPictureReady = 135;
inline constexpr int kPictureFinished = 137;
// The busy pictures, one chosen per creation.
inline constexpr int kBusyPictures[] = {136, 138, 139, 140, 141, 142, 143};
// Every picture is a horizontal strip of square cells of this size.
inline constexpr int kPictureCell = 48;

// The picture strip of `resource`; a null pixmap for an unknown number.
QPixmap picture_strip(int resource);
// The program's icon for an image mode (32 or 24).
QIcon program_icon(int imageMode);
// The busy picture of a creation started at `clockMs`.
int busy_picture_for(int64_t clockMs);
