// frmClient: the screen layout: placing the frames and the weight row at start-up, and the layout
// file "PLXW.cfg" that Save Config writes and start-up applies.
#include "frmClient.h"

#include "Controls.h"

#include <QLabel>

void frmClient::InitWeightLocation()
{
    // The normal weight colour, restored after an overflow.
    lWeightForeColor = std::int32_t(Zelk::foreColor(lblWT_BRUTTO));
}

void frmClient::LoadLayoutFile()
{
    // The layout file is added with the screen layout.
}

void frmClient::SaveLayoutFile()
{
    // The layout file is added with the screen layout.
}
