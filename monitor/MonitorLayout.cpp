// Geometry of the monitor's window from the screen height: the placement table in its order, the
// window height from the logo, and the design sizes chosen for the screen the window opens on.
#include "MonitorLayout.h"

#include "LampGeometry.h"
#include "NumberFormat.h"

#include <algorithm>

namespace MonitorLayout {

namespace {

// A twips length as a whole twip, halves to the even neighbour.
int twip(double value)
{
    return static_cast<int>(NumberFormat::roundHalfEven(value));
}

QRect rect(double left, double top, double width, double height)
{
    return QRect(twip(left), twip(top), twip(width), twip(height));
}

int rightOf(const QRect &r)
{
    return r.left() + r.width();
}

int bottomOf(const QRect &r)
{
    return r.top() + r.height();
}

class Placer {
public:
    Placer(const Design &design) : m_design(design) {}
    QRect design(const char *name) const { return m_design.value(QLatin1String(name)); }
    QRect put(const char *name, const QRect &r)
    {
        m_out.push_back({QString::fromLatin1(name), r});
        return r;
    }
    std::vector<Placement> take() { return std::move(m_out); }

private:
    const Design &m_design;
    std::vector<Placement> m_out;
};

} // namespace

int clampScreenTwips(int twips)
{
    return std::clamp(twips, 0, 32767);
}

int keepAsFraction(int height, int screenHeight)
{
    if (screenHeight <= 0)
        return height;
    const QString fraction = NumberFormat::formatFixed(double(height) / screenHeight, 1, 3, u".");
    return twip(fraction.toDouble() * screenHeight);
}

int windowHeight(const QRect &logo)
{
    return bottomOf(logo) + 1000;
}

std::vector<Placement> place(int screenHeight, const Design &design)
{
    const double S = screenHeight;
    Placer p(design);
    const QRect weight = p.put("FraWeight", rect(0.03 * S, 0.013 * S, 0.948 * S, 0.13 * S));
    const QRect inputs = p.put("FraInp", QRect(weight.left(), twip(0.157 * S), weight.width(),
                                               keepAsFraction(p.design("FraInp").height(), screenHeight)));
    const QRect outputs =
        p.put("FraOut", QRect(weight.left(), twip(0.24 * S), weight.width(), twip(0.228 * S)));
    const QRect timers = p.put(
        "FraTimers", QRect(twip(0.987 * S), weight.top(), twip(0.315 * S), bottomOf(inputs) - weight.top()));
    const QRect history =
        p.put("FraHistory", QRect(timers.left(), outputs.top(), timers.width(), outputs.height()));
    const QRect errors =
        p.put("FraErrorStatus", QRect(history.left(), twip(0.537 * S), history.width(), twip(0.195 * S)));
    const int channelsLeft = twip(0.673 * S);
    const QRect channels = p.put(
        "FraChannels", QRect(channelsLeft, errors.top(), rightOf(outputs) - channelsLeft, errors.height()));

    const QRect a2dData = p.design("lblA2D_Data");
    const QRect a2d = p.put("lblA2D", QRect(channels.left(), twip(0.487 * S),
                                            channels.width() - a2dData.width(), p.design("lblA2D").height()));
    p.put("lblA2D_Data", QRect(rightOf(a2d), a2d.top(), a2dData.width(), a2dData.height()));
    const QRect logoDesign = p.design("ImaVZT_Logo");
    const QRect logo =
        p.put("ImaVZT_Logo", QRect(weight.left(), a2d.top(), logoDesign.width(), logoDesign.height()));
    // The button keeps the logo's gap to the Channels frame too, instead of reaching 50 twips into it.
    p.put("cmdShowXMLData", QRect(rightOf(logo) + 50, channels.top(), channels.left() - rightOf(logo) - 100,
                                  channels.height()));

    const QRect titleDesign = p.design("lblXML_Data");
    QRect title =
        p.put("lblXML_Data", QRect(logo.left(), logo.top(), titleDesign.width(), titleDesign.height()));
    const QRect view = p.put("txtRealTimeInfo", QRect(title.left(), bottomOf(title), twip(0.615 * S),
                                                      p.design("txtRealTimeInfo").height()));
    const QRect quitDesign = p.design("cmdQuitXML");
    QRect quit =
        p.put("cmdQuitXML", QRect(quitDesign.left(), title.top(), quitDesign.height(), title.height()));
    title.setWidth(view.width() - quit.width());
    p.put("lblXML_Data", title);
    quit.moveLeft(rightOf(title));
    p.put("cmdQuitXML", quit);

    // The weight row: each member to the right of the one before, on its top and with its height.
    QRect previous = p.design(WeightRow[0].name);
    previous.moveLeft(WeightRowLeft);
    p.put(WeightRow[0].name, previous);
    for (const RowMember *m = std::begin(WeightRow) + 1; m != std::end(WeightRow); ++m)
        previous = p.put(m->name, QRect(rightOf(previous) + m->gap, previous.top(), p.design(m->name).width(),
                                        previous.height()));

    p.put("lblServerAddr", rect(0.013 * S, 0.027 * S, 0.168 * S, 0.022 * S));
    const QRect chanSwitch = p.design("cmdChanSwitch");
    p.put("LblSwitch",
          QRect(chanSwitch.left(), chanSwitch.top(), chanSwitch.width(), p.design("LblSwitch").height()));
    return p.take();
}

ScreenDesign screenDesign(int screenHeight, int xmlTitleHeight, int bottomRowHeight)
{
    Design design;
    design.insert(QStringLiteral("FraInp"), QRect(0, 0, 0, LampGeometry::InpFrameHeight));
    QHash<QString, QRect> placed;
    for (const Placement &p : place(screenHeight, design))
        placed.insert(p.name, p.rect);
    ScreenDesign d;
    d.weightFrame = placed.value(QStringLiteral("FraWeight"));
    d.inputFrame = placed.value(QStringLiteral("FraInp"));
    d.outputFrame = placed.value(QStringLiteral("FraOut"));
    // The wordmark is twice as wide as high; it reaches down to the bottom of the message frames.
    const QRect logoSpot = placed.value(QStringLiteral("ImaVZT_Logo"));
    const int logoHeight = bottomOf(placed.value(QStringLiteral("FraErrorStatus"))) - logoSpot.top();
    d.logo = QRect(logoSpot.left(), logoSpot.top(), 2 * logoHeight, logoHeight);
    d.xmlViewHeight = std::max(logoHeight - xmlTitleHeight, 0);
    d.outputBottomRowTop = d.outputFrame.height() - bottomRowHeight - 90;
    return d;
}

QRect trendArea(const QRect &column, int windowWidth, const std::vector<QRect> &taken, int margin,
                const QSize &least)
{
    QRect area(QPoint(column.right() + 1 + margin, column.top()),
               QPoint(windowWidth - 1 - margin, column.bottom()));
    for (bool moved = true; moved && !area.isEmpty();) {
        moved = false;
        for (const QRect &r : taken)
            if (r.intersects(area)) {
                area.setLeft(r.right() + 1 + margin);
                moved = true;
            }
    }
    if (area.width() < least.width() || area.height() < least.height())
        return {};
    return area;
}

} // namespace MonitorLayout
