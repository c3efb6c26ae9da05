#pragma once
// How a screen drawn in design units (the layout of its design: positions, sizes, fonts) is put on the
// terminal: every length times one factor, the factor at which the design fills the window. Touch targets
// (buttons, grid rows, menu items, tiles) are never shorter than a finger needs where the window has the room.

#include <QFont>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class QCalendarWidget;
class QLabel;
class QScreen;
class QWidget;

namespace widgets {

class DesignScale {
public:
    /// The height a finger needs, in pixels.
    static constexpr int FingerPixels = 40;
    /// Below the factor that gives FingerPixels, targets are at least this many design units tall.
    static constexpr int FingerUnits = 22;

    DesignScale() = default;
    /// `factor` is taken as at least 1: nothing is drawn smaller than its design.
    explicit DesignScale(double factor);

    /// The factor at which `design` fills `area` (the smaller of the two ratios).
    static DesignScale fitting(const QSize &area, const QSize &design);
    /// The factor for a window of `design` size opened on `screen` (its free area less a window frame);
    /// 1 without a screen.
    static DesignScale forScreen(const QScreen *screen, const QSize &design);

    double factor() const { return factor_; }
    /// This scale, or `limit` where that is smaller.
    DesignScale atMost(const DesignScale &limit) const { return factor_ <= limit.factor_ ? *this : limit; }
    int px(int units) const;
    QSize px(const QSize &units) const;
    QPoint px(const QPoint &units) const;
    QRect px(const QRect &units) const;
    /// The height of a touch target designed `units` tall: px(units), but at least FingerPixels or, where
    /// the factor is too small for that, FingerUnits design units.
    int target(int units) const;
    /// `design` with its point or pixel size scaled.
    QFont font(const QFont &design) const;

    bool operator==(const DesignScale &other) const = default;

private:
    double factor_ = 1.0;
};

/// The rules that put a screen's controls where its design has them, at a scale. Each rule is kept and run
/// again at every apply; the controls named must outlive the layout (children of the window that owns it).
class DesignLayout {
public:
    /// Geometry in design units.
    void place(QWidget *widget, const QRect &design);
    /// A label at its design position, as wide as its text and high enough for its whole text.
    void placeLabel(QLabel *label, const QPoint &design, int heightUnits);
    /// The widget's own font, given in design units.
    void font(QWidget *widget, const QFont &design);
    void fixedHeight(QWidget *widget, int units);
    void fixedWidth(QWidget *widget, int units);
    /// A month calendar's font, given in design units, also on its navigation bar (which does not follow the
    /// calendar's font by itself).
    void calendarFont(QCalendarWidget *calendar, const QFont &design);
    /// Any other rule.
    void rule(std::function<void(const DesignScale &)> apply);

    /// Runs every rule at `scale` and remembers it.
    void apply(const DesignScale &scale);
    const DesignScale &scale() const { return scale_; }

private:
    std::vector<std::function<void(const DesignScale &)>> rules_;
    DesignScale scale_;
};

} // namespace widgets
