// The stale style of a readout whose value may be out of date: grey text, a dimmed lamp, until it is
// live again (kept with the controls' colours in Controls.cpp).
#pragma once

class QWidget;

namespace Zelk {

// Stale: the text is drawn grey and a Shape dimmed; a fore colour given meanwhile is kept for when it
// is live again. The automation dump of a stale control carries "stale":true.
void setStale(QWidget *w, bool stale);
bool isStale(const QWidget *w);

} // namespace Zelk
