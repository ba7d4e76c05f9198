#pragma once

// Makes QIcon::fromTheme answer from the desktop's icon theme. A session
// without a desktop (a bare X server) names no theme, or only the bare
// "hicolor", and Qt then searches no system folder: the freedesktop data
// folders are searched, and "Adwaita", when installed, stands in. A desktop's
// own theme is left as it is. Window thread, once the application exists.
void UseDesktopIconTheme();
