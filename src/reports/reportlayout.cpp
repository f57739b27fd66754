#include "reportlayout.h"

namespace tavimo {

QByteArray controlKindText(ControlKind kind)
{
    switch (kind) {
    case ControlKind::String:
        return QByteArrayLiteral("STRING");
    case ControlKind::TextBlock:
        return QByteArrayLiteral("TEXT");
    case ControlKind::Box:
        return QByteArrayLiteral("BOX");
    case ControlKind::Line:
        return QByteArrayLiteral("LINE");
    case ControlKind::CheckBox:
        return QByteArrayLiteral("CHECK");
    case ControlKind::RadioButton:
        return QByteArrayLiteral("RADIO");
    case ControlKind::GroupBox:
        return QByteArrayLiteral("GROUP");
    case ControlKind::Image:
        return QByteArrayLiteral("IMAGE");
    case ControlKind::Ellipse:
        return QByteArrayLiteral("ELLIPSE");
    case ControlKind::Polygon:
        return QByteArrayLiteral("POLYGON");
    }
    return QByteArray();
}

PlacedControl placeControl(const LayoutControl &control, int bandLeft, int bandTop, const QString &text)
{
    PlacedControl placed;
    placed.kind = control.kind;
    placed.left = bandLeft + control.x;
    placed.top = bandTop + control.y;
    placed.right = placed.left + control.width;
    placed.bottom = placed.top + control.height;
    placed.x = placed.left;
    placed.y = placed.top;
    placed.text = text;
    placed.style = control.style;
    placed.checked = control.checked;
    placed.points.reserve(control.points.size());
    for (const QPoint &p : control.points)
        placed.points.emplace_back(p.x() + placed.left, p.y() + placed.top);
    placed.imageFile = control.imageFile;
    placed.attributes = control.attributes;
    return placed;
}

} // namespace tavimo
