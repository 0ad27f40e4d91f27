#include "ui/common/SymbolShapes.h"

#include <QPainterPathStroker>
#include <QTransform>
#include <functional>
#include <initializer_list>

// Every shape is built from a few primitives and ends up as one area to fill,
// so a symbol takes a single tint. Outlined symbols are strokes turned into
// areas; cut-outs (a check in a disc) are subtracted. Coordinates are in the
// 24 × 24 design square.

namespace kinetta
{
namespace
{

constexpr qreal lineWidth = 2.0;
const QPointF centre(12, 12);

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path = polyline(points);
    path.closeSubpath();
    return path;
}

QPainterPath stroked(const QPainterPath& path, qreal width = lineWidth)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path).simplified();
}

QPainterPath line(QPointF from, QPointF to, qreal width = lineWidth)
{
    return stroked(polyline({from, to}), width);
}

QPainterPath disc(QPointF at, qreal radius)
{
    QPainterPath path;
    path.addEllipse(at, radius, radius);
    return path;
}

QPainterPath ring(QPointF at, qreal radius, qreal width = lineWidth)
{
    return stroked(disc(at, radius), width);
}

QPainterPath rounded(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A filled polygon with its corners rounded by half the line width.
QPainterPath softPolygon(std::initializer_list<QPointF> points)
{
    const QPainterPath shape = polygon(points);
    return shape.united(stroked(shape, lineWidth));
}

QPainterPath arc(const QRectF& box, qreal startDegrees, qreal sweepDegrees)
{
    QPainterPath path;
    path.arcMoveTo(box, startDegrees);
    path.arcTo(box, startDegrees, sweepDegrees);
    return path;
}

QPainterPath cross(qreal from, qreal to, qreal width)
{
    return line({from, from}, {to, to}, width).united(line({to, from}, {from, to}, width));
}

QPainterPath circleCheck()
{
    return stroked(polyline({{7.5, 12.5}, {10.5, 15.5}, {16.5, 9}}), 2.2);
}

QPainterPath windowFrame(const QRectF& rect, qreal radius)
{
    // The outline and a filled title bar.
    const QPainterPath outline = rounded(rect, radius);
    const QPainterPath bar = outline.intersected(rounded(QRectF(rect.topLeft(), QSizeF(rect.width(), 4.5)), 0));
    return stroked(outline).united(bar);
}

QPainterPath openBox(qreal top)
{
    return stroked(polyline({{8.5, top}, {5, top}, {5, 21.5}, {19, 21.5}, {19, top}, {15.5, top}}));
}

QPainterPath gear()
{
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        const QTransform turn = QTransform().translate(12, 12).rotate(45.0 * i).translate(-12, -12);
        teeth = teeth.united(turn.map(rounded(QRectF(10, 1.5, 4, 6), 1)));
    }
    return teeth.united(disc(centre, 8)).subtracted(disc(centre, 3.5));
}

QPainterPath photoFrame()
{
    return rounded(QRectF(2.5, 4.5, 19, 15), 3);
}

QPainterPath mountains()
{
    return polygon({{5, 17.5}, {9.5, 12}, {12.5, 15.5}, {15.5, 12.5}, {19.5, 17.5}});
}

const std::map<QString, std::function<QPainterPath()>>& builders()
{
    static const std::map<QString, std::function<QPainterPath()>> table = {
        {QStringLiteral("record.circle"), [] { return ring(centre, 9.5).united(disc(centre, 5)); }},
        {QStringLiteral("stop.circle.fill"),
         [] { return disc(centre, 10.5).subtracted(rounded(QRectF(8, 8, 8, 8), 1.5)); }},
        {QStringLiteral("checkmark.circle.fill"),
         [] { return disc(centre, 10.5).subtracted(circleCheck()); }},
        {QStringLiteral("checkmark"),
         [] { return stroked(polyline({{4.5, 12.5}, {9.5, 17.5}, {19.5, 6.5}}), 2.4); }},
        {QStringLiteral("xmark"), [] { return cross(6, 18, 2.4); }},
        {QStringLiteral("xmark.circle.fill"),
         [] { return disc(centre, 10.5).subtracted(cross(8.5, 15.5, 2.2)); }},
        {QStringLiteral("xmark.octagon.fill"),
         [] {
             QPainterPath octagon;
             for (int i = 0; i < 8; ++i) {
                 const QPointF corner = QTransform().rotate(22.5 + 45.0 * i).map(QPointF(10.5, 0));
                 if (i == 0)
                     octagon.moveTo(centre + corner);
                 else
                     octagon.lineTo(centre + corner);
             }
             octagon.closeSubpath();
             return octagon.subtracted(cross(8.5, 15.5, 2.2));
         }},
        {QStringLiteral("gearshape.fill"), gear},
        {QStringLiteral("crop"),
         [] {
             return stroked(polyline({{6, 2}, {6, 18}, {22, 18}}))
                 .united(stroked(polyline({{2, 6}, {18, 6}, {18, 22}})));
         }},
        {QStringLiteral("photo"),
         [] {
             return stroked(photoFrame())
                 .united(stroked(polyline({{3.5, 18}, {9.5, 12}, {12.5, 15.5}, {15.5, 12.5},
                                           {20.5, 18}}),
                                 1.8))
                 .united(disc({16, 9}, 1.8));
         }},
        {QStringLiteral("photo.fill"),
         [] {
             return rounded(QRectF(2, 4, 20, 16), 3)
                 .subtracted(mountains())
                 .subtracted(disc({16, 8.5}, 2));
         }},
        {QStringLiteral("magnifyingglass"),
         [] { return ring({10, 10}, 6.5, 2.2).united(line({15, 15}, {20.5, 20.5}, 2.8)); }},
        {QStringLiteral("macwindow"), [] { return windowFrame(QRectF(2.5, 4, 19, 16), 3); }},
        {QStringLiteral("macwindow.badge.plus"),
         [] {
             const QPointF badge(18, 18);
             const QPainterPath plus =
                 line({18, 15.3}, {18, 20.7}, 1.8).united(line({15.3, 18}, {20.7, 18}, 1.8));
             return windowFrame(QRectF(2, 3, 16, 13), 2.5)
                 .subtracted(disc(badge, 6.5))
                 .united(disc(badge, 5).subtracted(plus));
         }},
        {QStringLiteral("display"),
         [] {
             return stroked(rounded(QRectF(2, 3, 20, 13.5), 2))
                 .united(rounded(QRectF(10.5, 16.5, 3, 3.5), 0))
                 .united(line({7, 21}, {17, 21}));
         }},
        {QStringLiteral("film"),
         [] {
             QPainterPath strip = rounded(QRectF(3, 2, 18, 20), 2.5);
             for (int i = 0; i < 4; ++i) {
                 const qreal y = 4.5 + 4.5 * i;
                 strip = strip.subtracted(rounded(QRectF(4.5, y, 2, 2.5), 0.5))
                             .subtracted(rounded(QRectF(17.5, y, 2, 2.5), 0.5));
             }
             return strip.subtracted(rounded(QRectF(8, 4.5, 8, 6.5), 1))
                 .subtracted(rounded(QRectF(8, 13, 8, 6.5), 1));
         }},
        {QStringLiteral("chevron.right"),
         [] { return stroked(polyline({{9, 4.5}, {16.5, 12}, {9, 19.5}}), 2.4); }},
        {QStringLiteral("exclamationmark.triangle.fill"),
         [] {
             return softPolygon({{12, 2.5}, {22, 20.5}, {2, 20.5}})
                 .subtracted(rounded(QRectF(11, 8, 2, 7.5), 1))
                 .subtracted(disc({12, 17.8}, 1.2));
         }},
        {QStringLiteral("trash"),
         [] {
             return line({3.5, 6}, {20.5, 6})
                 .united(stroked(polyline({{9, 6}, {9.5, 3}, {14.5, 3}, {15, 6}})))
                 .united(stroked(polyline({{5.5, 6}, {7, 21}, {17, 21}, {18.5, 6}})))
                 .united(line({10, 10}, {10.3, 17}, 1.6))
                 .united(line({14, 10}, {13.7, 17}, 1.6));
         }},
        {QStringLiteral("square.and.arrow.up"),
         [] {
             return openBox(9)
                 .united(line({12, 15}, {12, 2.5}))
                 .united(stroked(polyline({{8, 6.5}, {12, 2.5}, {16, 6.5}})));
         }},
        {QStringLiteral("square.and.arrow.down"),
         [] {
             return openBox(9.5)
                 .united(line({12, 2.5}, {12, 15.5}))
                 .united(stroked(polyline({{8, 11.5}, {12, 15.5}, {16, 11.5}})));
         }},
        {QStringLiteral("scissors"),
         [] {
             return ring({7, 18.5}, 3).united(ring({17, 18.5}, 3))
                 .united(line({9, 16}, {16.5, 3}))
                 .united(line({15, 16}, {7.5, 3}));
         }},
        {QStringLiteral("rectangle.slash"),
         [] {
             return stroked(rounded(QRectF(2.5, 5, 19, 14), 3))
                 .subtracted(line({3, 3}, {21, 21}, 5))
                 .united(line({3.5, 3.5}, {20.5, 20.5}));
         }},
        {QStringLiteral("rectangle.on.rectangle"),
         [] {
             const QRectF front(2.5, 9, 15, 12);
             return stroked(rounded(QRectF(6.5, 3, 15, 12), 2))
                 .subtracted(rounded(front.adjusted(-2, -2, 2, 2), 3))
                 .united(stroked(rounded(front, 2)));
         }},
        {QStringLiteral("power"),
         [] {
             return stroked(arc(QRectF(4, 4.5, 16, 16), 125, 290), 2.2)
                 .united(line({12, 2.5}, {12, 11}, 2.2));
         }},
        {QStringLiteral("play.fill"), [] { return softPolygon({{7, 4.5}, {19.5, 12}, {7, 19.5}}); }},
        {QStringLiteral("pause.fill"),
         [] {
             return rounded(QRectF(6, 4, 4, 16), 1.3).united(rounded(QRectF(14, 4, 4, 16), 1.3));
         }},
        {QStringLiteral("key.fill"),
         [] {
             return disc({7.5, 12}, 5.5)
                 .united(rounded(QRectF(11, 10.5, 11, 3), 1))
                 .united(rounded(QRectF(16.5, 12, 2, 4.5), 0.5))
                 .united(rounded(QRectF(20, 12, 2, 5.5), 0.5))
                 .subtracted(disc({6, 12}, 1.8));
         }},
        {QStringLiteral("forward.end.fill"),
         [] {
             return softPolygon({{4.5, 5.5}, {14.5, 12}, {4.5, 18.5}})
                 .united(rounded(QRectF(16.5, 4.5, 3, 15), 1));
         }},
        {QStringLiteral("backward.end.fill"),
         [] {
             return softPolygon({{19.5, 5.5}, {9.5, 12}, {19.5, 18.5}})
                 .united(rounded(QRectF(4.5, 4.5, 3, 15), 1));
         }},
        {QStringLiteral("doc.zipper"),
         [] {
             QPainterPath doc =
                 stroked(polygon({{5, 2.5}, {14, 2.5}, {19, 7.5}, {19, 21.5}, {5, 21.5}}))
                     .united(stroked(polyline({{14, 2.5}, {14, 7.5}, {19, 7.5}}), 1.6));
             for (int i = 0; i < 5; ++i)
                 doc = doc.united(rounded(QRectF(i % 2 ? 12 : 10, 3.5 + 2.2 * i, 2, 1.6), 0.3));
             return doc.united(rounded(QRectF(10, 15, 4, 4.5), 1))
                 .subtracted(rounded(QRectF(11.2, 16.5, 1.6, 1.6), 0.3));
         }},
        {QStringLiteral("doc.on.clipboard"),
         [] {
             return stroked(rounded(QRectF(4, 4, 16, 18), 2.5))
                 .united(rounded(QRectF(8, 2, 8, 4.5), 1.5))
                 .united(line({8.5, 11}, {15.5, 11}, 1.6))
                 .united(line({8.5, 14.5}, {15.5, 14.5}, 1.6))
                 .united(line({8.5, 18}, {12.5, 18}, 1.6));
         }},
        {QStringLiteral("clock"),
         [] {
             return ring(centre, 9.5).united(stroked(polyline({{12, 6.5}, {12, 12}, {16, 14}})));
         }},
        {QStringLiteral("aspectratio"),
         [] {
             return stroked(rounded(QRectF(2.5, 5, 19, 14), 3))
                 .united(stroked(polyline({{6, 11.5}, {6, 8.5}, {9.5, 8.5}}), 1.8))
                 .united(stroked(polyline({{14.5, 15.5}, {18, 15.5}, {18, 12.5}}), 1.8));
         }},
        {QStringLiteral("arrow.uturn.backward.circle"),
         [] {
             QPainterPath turn;
             turn.moveTo(8, 10);
             turn.lineTo(13.5, 10);
             turn.cubicTo(17.5, 10, 17.5, 16.5, 13.5, 16.5);
             turn.lineTo(10, 16.5);
             return ring(centre, 10)
                 .united(stroked(turn, 1.8))
                 .united(stroked(polyline({{10.5, 7.3}, {7.8, 10}, {10.5, 12.7}}), 1.8));
         }},
        {QStringLiteral("arrow.up.right.square"),
         [] {
             return stroked(rounded(QRectF(3, 3, 18, 18), 3))
                 .united(line({8.5, 15.5}, {15.5, 8.5}))
                 .united(stroked(polyline({{10, 8.5}, {15.5, 8.5}, {15.5, 14}})));
         }},
        {QStringLiteral("arrow.up.left.and.arrow.down.right"),
         [] {
             return line({4.5, 4.5}, {19.5, 19.5})
                 .united(stroked(polyline({{4.5, 11}, {4.5, 4.5}, {11, 4.5}})))
                 .united(stroked(polyline({{13, 19.5}, {19.5, 19.5}, {19.5, 13}})));
         }},
        {QStringLiteral("arrow.clockwise"),
         [] {
             return stroked(arc(QRectF(4, 4, 16, 16), 30, -300))
                 .united(stroked(polyline({{9.5, 1.5}, {12.5, 4}, {9.5, 6.5}})));
         }},
    };
    return table;
}

} // namespace

const std::map<QString, QPainterPath>& symbolShapes()
{
    static const std::map<QString, QPainterPath> shapes = [] {
        std::map<QString, QPainterPath> built;
        for (const auto& [name, build] : builders())
            built.emplace(name, build());
        return built;
    }();
    return shapes;
}

} // namespace kinetta
