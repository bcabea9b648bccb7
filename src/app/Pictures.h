#pragma once

// The pictures of the windows, painted here: bar pieces, button faces, the
// connector drawing and the job glyphs.

#include <QImage>
#include <QSize>

namespace ortelan::app::pictures {

// Title bars (launcher 48 px, transfer windows 57 px) and status bars.
QImage TitleBar(QSize size);
QImage BottomBar(QSize size);
// The round close button, 14 x 15 on white (cut out).
QImage CloseFace(bool down);
// "c" and "d": the 76 x 22 faces of the progress panel's Cancel and Done.
QImage CancelFace();
QImage DoneFace();
// "h": the 1 x 17 background strip of list headers.
QImage HeaderStrip();
// The check button (28 x 26) and the transfer button (76 x 26) of the title bar.
QImage CheckButtonFace(bool down);
QImage ExportButtonFace(bool down);
// A dock connector being plugged in, above "Connect iPod (iPhone or iPad) to the PC".
QImage ConnectorDrawing();
// The launcher's job glyphs, 48 x 48.
QImage MusicGlyph();
QImage PhotoGlyph();

}  // namespace ortelan::app::pictures
