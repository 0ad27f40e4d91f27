// The trim bar as one adjustable element for assistive technology: its label
// and value texts, increase and decrease to step the frame shown, and named
// actions to move either handle by one frame.
#include "ui/preview/TrimBar.h"

#include <QAccessibleWidget>

namespace kinetta
{
namespace
{

const QString moveStartEarlier = QStringLiteral("Move trim start earlier");
const QString moveStartLater = QStringLiteral("Move trim start later");
const QString moveEndEarlier = QStringLiteral("Move trim end earlier");
const QString moveEndLater = QStringLiteral("Move trim end later");

class TrimBarAccessible final : public QAccessibleWidget
{
public:
    explicit TrimBarAccessible(TrimBar* bar) : QAccessibleWidget(bar, QAccessible::Slider) {}

    [[nodiscard]] QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return trimBarLabel(bar()->selection(), bar()->frameCount());
        if (kind == QAccessible::Value)
            return trimBarValue(bar()->selection());
        return QAccessibleWidget::text(kind);
    }

    [[nodiscard]] QStringList actionNames() const override
    {
        return {increaseAction(), decreaseAction(), moveStartEarlier,
                moveStartLater,   moveEndEarlier,   moveEndLater};
    }

    [[nodiscard]] QString localizedActionDescription(const QString& name) const override
    {
        if (name == increaseAction())
            return QStringLiteral("Show the next frame");
        if (name == decreaseAction())
            return QStringLiteral("Show the previous frame");
        return name;
    }

    void doAction(const QString& name) override
    {
        const TrimSelection now = bar()->selection();
        if (name == increaseAction())
            bar()->edit(stepCurrentFrame(now, 1));
        else if (name == decreaseAction())
            bar()->edit(stepCurrentFrame(now, -1));
        else if (name == moveStartEarlier)
            bar()->edit(moveTrimStart(now, -1));
        else if (name == moveStartLater)
            bar()->edit(moveTrimStart(now, 1));
        else if (name == moveEndEarlier)
            bar()->edit(moveTrimEnd(now, -1, bar()->frameCount()));
        else if (name == moveEndLater)
            bar()->edit(moveTrimEnd(now, 1, bar()->frameCount()));
    }

    [[nodiscard]] QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == increaseAction())
            return {QStringLiteral("Up")};
        if (name == decreaseAction())
            return {QStringLiteral("Down")};
        return {};
    }

private:
    [[nodiscard]] TrimBar* bar() const { return static_cast<TrimBar*>(widget()); }
};

QAccessibleInterface* trimBarFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("kinetta::TrimBar") && object && object->isWidgetType())
        return new TrimBarAccessible(static_cast<TrimBar*>(object));
    return nullptr;
}

} // namespace

void installTrimBarAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(trimBarFactory);
        return true;
    }();
    (void)installed;
}

} // namespace kinetta
