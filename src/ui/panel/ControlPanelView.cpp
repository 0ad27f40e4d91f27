#include "ui/panel/ControlPanelView.h"

#include "ui/common/Announcer.h"
#include "ui/icons/DefaultAppIcon.h"
#include "ui/panel/CaptureTargetViews.h"
#include "ui/panel/CounterControl.h"
#include "ui/panel/LoopCountRow.h"
#include "ui/panel/ModeChip.h"
#include "ui/panel/OptionRow.h"
#include "ui/panel/PanelAccessibility.h"
#include "ui/panel/PanelBanners.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/RecordButton.h"
#include "ui/panel/SliderRow.h"
#include "ui/panel/Theme.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace kinetta
{
namespace
{

QVBoxLayout* column(QWidget* owner, int spacing)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

void call(const std::function<void()>& action)
{
    if (action)
        action();
}

} // namespace

ControlPanelView::ControlPanelView(RecordingSession& session, ControlPanelCallbacks callbacks,
                                   ControlPanelEnvironment environment, QWidget* parent)
    : QWidget(parent), m_session(session), m_callbacks(std::move(callbacks)),
      m_environment(std::move(environment))
{
    installPanelAccessibility();
    setAccessibleName(QStringLiteral("Kinetta"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_hotKeyGranted = m_environment.isHotKeyTrusted ? m_environment.isHotKeyTrusted() : true;
    build();
    connectSession();
    refreshWindow();
    refresh();
    // Animations start from the first state shown, not from the defaults.
    for (ModeChip* chip : m_parts.chips)
        chip->setScheduler(m_environment.scheduler, m_environment.reduceMotion);
    m_parts.record->setScheduler(m_environment.scheduler, m_environment.reduceMotion);
}

ControlPanelView::~ControlPanelView() = default;

void ControlPanelView::build()
{
    auto* layout = column(this, 0);
    m_parts.header = new PanelHeader(this);
    layout->addWidget(m_parts.header);
    layout->addWidget(new panel::PanelDivider(this));
    // The settings scroll only when the panel's height is limited.
    m_parts.settings = new QScrollArea(this);
    m_parts.settings->setFrameShape(QFrame::NoFrame);
    m_parts.settings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_parts.settings->setWidgetResizable(true);
    m_parts.settings->setWidget(buildSettings());
    // The panel paints the background under them.
    m_parts.settings->widget()->setAutoFillBackground(false);
    m_parts.settings->viewport()->setAutoFillBackground(false);
    layout->addWidget(m_parts.settings);

    m_parts.hotKeyBanner = new HotKeyBanner(this);
    layout->addWidget(m_parts.hotKeyBanner);
    m_parts.errorBanner = new ErrorBanner(this);
    layout->addWidget(m_parts.errorBanner);
    layout->addWidget(new panel::PanelDivider(this));
    m_parts.record = new RecordButton(this);
    layout->addWidget(m_parts.record);

    connect(m_parts.header->quitButton(), &QAbstractButton::clicked, this,
            [this] { call(m_environment.quit); });
    connect(m_parts.hotKeyBanner, &HotKeyBanner::repairRequested, this, [this] {
        refreshHotKeyState();
        call(m_callbacks.onRepairHotKey);
    });
    connect(m_parts.errorBanner, &ErrorBanner::dismissRequested, this,
            [this] { m_session.setErrorMessage(std::nullopt); });
    connect(m_parts.errorBanner, &ErrorBanner::openSettingsRequested, this,
            [this] { call(m_environment.openPrivacySettings); });
    connect(m_parts.errorBanner, &ErrorBanner::relaunchRequested, this,
            [this] { call(m_environment.relaunch); });
    connect(m_parts.record, &QAbstractButton::clicked, this, [this] {
        if (canRecord())
            call(m_callbacks.onStart);
    });
}

QWidget* ControlPanelView::buildSettings()
{
    auto* settings = new QWidget(this);
    auto* layout = column(settings, 18);
    layout->setContentsMargins(16, 14, 16, 14);

    // Capture mode.
    auto* capture = new QWidget(settings);
    auto* captureLayout = column(capture, 8);
    captureLayout->addWidget(panel::PanelLabel::section(QStringLiteral("Capture"), capture));
    auto* chipRow = new AccessibleGroup(QStringLiteral("Capture mode"), capture);
    auto* chipLayout = new QHBoxLayout(chipRow);
    chipLayout->setContentsMargins(0, 0, 0, 0);
    chipLayout->setSpacing(6);
    for (std::size_t i = 0; i < kAllCaptureModes.size(); ++i) {
        const CaptureMode mode = kAllCaptureModes[i];
        auto* chip = new ModeChip(mode, chipRow);
        connect(chip, &QAbstractButton::clicked, this,
                [this, mode] { m_session.setCaptureMode(mode); });
        chipLayout->addWidget(chip, 1);
        m_parts.chips[i] = chip;
    }
    captureLayout->addWidget(chipRow);
    layout->addWidget(capture);

    // The window to record.
    m_parts.windowSection = new QWidget(settings);
    auto* windowLayout = column(m_parts.windowSection, 8);
    windowLayout->addWidget(
        panel::PanelLabel::section(QStringLiteral("Window"), m_parts.windowSection));
    m_parts.windowCard = new ChosenWindowCard(m_parts.windowSection);
    m_parts.chooseWindow = new ChooseWindowButton(m_parts.windowSection);
    m_parts.windowsNote = new panel::PanelLabel(
        m_environment.windowsUnavailable.isEmpty() ? m_environment.windowChooserNote
                                                   : m_environment.windowsUnavailable,
        panel::font(panel::kCaptionSize), panel::white(0.6), m_parts.windowSection,
        panel::PanelLabel::Wrap::words);
    windowLayout->addWidget(m_parts.windowCard);
    windowLayout->addWidget(m_parts.chooseWindow);
    windowLayout->addWidget(m_parts.windowsNote);
    layout->addWidget(m_parts.windowSection);
    connect(m_parts.windowCard, &ChosenWindowCard::changeRequested, this,
            [this] { call(m_callbacks.onChooseWindow); });
    connect(m_parts.chooseWindow, &QAbstractButton::clicked, this,
            [this] { call(m_callbacks.onChooseWindow); });

    // The area to record.
    m_parts.areaSection = new QWidget(settings);
    auto* areaLayout = column(m_parts.areaSection, 8);
    m_parts.areaLabel = panel::PanelLabel::section(QStringLiteral("Area"), m_parts.areaSection);
    m_parts.areaHint = new AreaHintCard(m_parts.areaSection);
    m_parts.savedArea = new SavedAreaRow(m_parts.areaSection);
    areaLayout->addWidget(m_parts.areaLabel);
    areaLayout->addWidget(m_parts.areaHint);
    areaLayout->addWidget(m_parts.savedArea);
    layout->addWidget(m_parts.areaSection);
    connect(m_parts.savedArea, &SavedAreaRow::reuseRequested, this,
            [this] { call(m_callbacks.onUseLastArea); });

    layout->addWidget(new panel::PanelDivider(settings));

    // Quality.
    auto* quality = new QWidget(settings);
    auto* qualityLayout = column(quality, 14);
    m_parts.fps =
        new SliderRow(QStringLiteral("Frame Rate"), QStringLiteral("film"), settings::kMinFps,
                      settings::kMaxFps, 1, framesPerSecondText, quality);
    m_parts.scale =
        new SliderRow(QStringLiteral("Resolution"), QStringLiteral("photo"), settings::kMinScale,
                      settings::kMaxScale, 0.25, scalePercentText, quality);
    m_parts.outputSize = new OutputSizeLine(quality);
    qualityLayout->addWidget(m_parts.fps);
    // The size line sits 4 points closer to the slider it follows.
    auto* scaleAndSize = column(nullptr, 14 - 4);
    scaleAndSize->addWidget(m_parts.scale);
    scaleAndSize->addWidget(m_parts.outputSize);
    qualityLayout->addLayout(scaleAndSize);
    layout->addWidget(quality);
    connect(m_parts.fps, &SliderRow::valueEdited, &m_session, &RecordingSession::setFps);
    connect(m_parts.scale, &SliderRow::valueEdited, &m_session, &RecordingSession::setScale);

    layout->addWidget(new panel::PanelDivider(settings));

    // Options.
    auto* options = new QWidget(settings);
    auto* optionsLayout = column(options, 10);
    optionsLayout->addWidget(panel::PanelLabel::section(QStringLiteral("Options"), options));
    const auto addSwitchRow = [&](const QString& title, const QString& secondLine,
                                  const QString& hint, CounterControl* counter) {
        auto* row = new OptionRow(options);
        auto* toggle = new panel::Switch(title, secondLine, row);
        toggle->setAccessibleDescription(hint);
        row->addPart(toggle);
        row->addStretch();
        if (counter) {
            counter->setParent(row);
            row->addPart(counter);
        }
        optionsLayout->addWidget(row);
        return toggle;
    };
    m_parts.countdownSeconds =
        new CounterControl(settings::kMinCountdownSeconds, settings::kMaxCountdownSeconds,
                           QStringLiteral("s"), 1, QStringLiteral("Countdown duration"));
    m_parts.countdown = addSwitchRow(QStringLiteral("Countdown"), QString(),
                                     QStringLiteral("Shows a countdown before recording begins"),
                                     m_parts.countdownSeconds);
    m_parts.autoStopSeconds =
        new CounterControl(settings::kMinAutoStopSeconds, settings::kMaxAutoStopSeconds,
                           QStringLiteral("s"), 5, QStringLiteral("Auto-stop duration"));
    m_parts.autoStop =
        addSwitchRow(QStringLiteral("Auto-stop"), QString(),
                     QStringLiteral("Automatically stops recording after the set duration"),
                     m_parts.autoStopSeconds);
    m_parts.showCursor =
        addSwitchRow(QStringLiteral("Show cursor"), QString(),
                     QStringLiteral("Includes the mouse cursor in the recording"), nullptr);
    m_parts.autoCopy = addSwitchRow(
        QStringLiteral("Auto-copy"), QStringLiteral("Skip preview"),
        QStringLiteral(
            "Copies the GIF to clipboard immediately after stopping, skipping the preview"),
        nullptr);
    auto* loopRow = new OptionRow(options);
    loopRow->addPart(new panel::PanelLabel(QStringLiteral("Loop"), panel::font(12),
                                           panel::white(0.85), loopRow));
    loopRow->addStretch();
    m_parts.loop = new LoopCountRow(loopRow);
    loopRow->addPart(m_parts.loop);
    optionsLayout->addWidget(loopRow);
    layout->addWidget(options);

    connect(m_parts.countdown, &QAbstractButton::toggled, &m_session,
            &RecordingSession::setUseCountdown);
    connect(m_parts.countdownSeconds, &CounterControl::valueEdited, &m_session,
            &RecordingSession::setCountdownSeconds);
    connect(m_parts.autoStop, &QAbstractButton::toggled, &m_session,
            &RecordingSession::setUseAutoStop);
    connect(m_parts.autoStopSeconds, &CounterControl::valueEdited, &m_session,
            &RecordingSession::setAutoStopSeconds);
    connect(m_parts.showCursor, &QAbstractButton::toggled, &m_session,
            &RecordingSession::setShowCursor);
    connect(m_parts.autoCopy, &QAbstractButton::toggled, &m_session,
            &RecordingSession::setAutoCopy);
    connect(m_parts.loop, &LoopCountRow::loopCountChosen, &m_session,
            &RecordingSession::setLoopCount);
    return settings;
}

void ControlPanelView::connectSession()
{
    const auto redraw = [this] { refresh(); };
    RecordingSession* session = &m_session;
    connect(session, &RecordingSession::captureModeChanged, this, redraw);
    connect(session, &RecordingSession::selectedRectChanged, this, redraw);
    connect(session, &RecordingSession::fpsChanged, this, redraw);
    connect(session, &RecordingSession::scaleChanged, this, redraw);
    connect(session, &RecordingSession::useCountdownChanged, this, redraw);
    connect(session, &RecordingSession::countdownSecondsChanged, this, redraw);
    connect(session, &RecordingSession::useAutoStopChanged, this, redraw);
    connect(session, &RecordingSession::autoStopSecondsChanged, this, redraw);
    connect(session, &RecordingSession::showCursorChanged, this, redraw);
    connect(session, &RecordingSession::autoCopyChanged, this, redraw);
    connect(session, &RecordingSession::loopCountChanged, this, redraw);
    connect(session, &RecordingSession::selectedWindowChanged, this, [this] {
        refreshWindow();
        refresh();
    });
    connect(session, &RecordingSession::errorMessageChanged, this,
            [this](const std::optional<QString>& message) {
                onErrorMessage(message);
                refresh();
            });
}

bool ControlPanelView::canRecord() const
{
    if (m_session.captureMode() != CaptureMode::window)
        return true;
    // The desktop's chooser opens at the start.
    if (!m_environment.windowChooserNote.isEmpty())
        return m_environment.windowsUnavailable.isEmpty();
    return m_environment.windowsUnavailable.isEmpty() && m_session.selectedWindow().has_value();
}

void ControlPanelView::refreshHotKeyState()
{
    m_hotKeyGranted = m_environment.isHotKeyTrusted ? m_environment.isHotKeyTrusted() : true;
    refresh();
}

void ControlPanelView::refresh()
{
    const CaptureMode mode = m_session.captureMode();
    for (ModeChip* chip : m_parts.chips)
        chip->setSelected(chip->mode() == mode);

    const bool hasWindow = m_session.selectedWindow().has_value();
    m_parts.windowSection->setVisible(mode == CaptureMode::window);
    const bool windows = m_environment.windowsUnavailable.isEmpty();
    // A window the desktop chose belongs to the recording it was chosen for.
    const bool chooser = !m_environment.windowChooserNote.isEmpty();
    m_parts.windowCard->setVisible(windows && !chooser && hasWindow);
    m_parts.chooseWindow->setVisible(windows && (chooser || !hasWindow));
    m_parts.windowsNote->setVisible(!windows || chooser);

    const bool hasArea = m_session.selectedRect().has_value();
    m_parts.areaSection->setVisible(mode == CaptureMode::area);
    m_parts.areaLabel->setVisible(!hasArea);
    m_parts.areaHint->setVisible(!hasArea);
    m_parts.savedArea->setVisible(hasArea);

    m_parts.fps->setValue(m_session.fps());
    m_parts.scale->setValue(m_session.scale());
    refreshOutputSize();

    // Switches follow the session without writing back what they just read.
    const auto setChecked = [](panel::Switch* toggle, bool on) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(on);
        toggle->update();
    };
    setChecked(m_parts.countdown, m_session.useCountdown());
    setChecked(m_parts.autoStop, m_session.useAutoStop());
    setChecked(m_parts.showCursor, m_session.showCursor());
    setChecked(m_parts.autoCopy, m_session.autoCopy());
    m_parts.countdownSeconds->setValue(m_session.countdownSeconds());
    m_parts.countdownSeconds->setVisible(m_session.useCountdown());
    m_parts.autoStopSeconds->setValue(m_session.autoStopSeconds());
    m_parts.autoStopSeconds->setVisible(m_session.useAutoStop());
    m_parts.loop->setLoopCount(m_session.loopCount());

    m_parts.hotKeyBanner->setVisible(!m_hotKeyGranted);
    if (!m_hotKeyGranted && m_environment.hotKeyProblem)
        m_parts.hotKeyBanner->setCaption(m_environment.hotKeyProblem());
    const auto& message = m_session.errorMessage();
    m_parts.errorBanner->setVisible(message.has_value());
    if (message)
        m_parts.errorBanner->setMessage(*message);

    m_parts.record->setCanRecord(canRecord());
    reportHeight();
}

void ControlPanelView::refreshWindow()
{
    const auto& window = m_session.selectedWindow();
    if (!window)
        return;
    const qreal ratio = devicePixelRatioF();
    const int side = ChosenWindowCard::kIconSize;
    QImage icon;
    if (m_environment.windowIcon)
        icon = m_environment.windowIcon(*window, side, ratio);
    if (icon.isNull()) {
        icon = drawDefaultAppIcon(qRound(side * ratio));
        icon.setDevicePixelRatio(ratio);
    }
    m_parts.windowCard->setWindow(*window, icon);
}

std::optional<ScreenMetrics> ControlPanelView::screenMetrics() const
{
    if (m_environment.screen)
        return m_environment.screen();
    QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return std::nullopt;
    return ScreenMetrics{QSizeF(shown->geometry().size()), shown->devicePixelRatio()};
}

void ControlPanelView::refreshOutputSize()
{
    const auto text = outputSizeText(
        m_session.captureMode(), screenMetrics(),
        m_environment.windowChooserNote.isEmpty() ? m_session.selectedWindow() : std::nullopt,
        m_session.selectedRect(), m_session.scale());
    m_parts.outputSize->setVisible(text.has_value());
    if (text)
        m_parts.outputSize->setSizeText(*text);
}

void ControlPanelView::onErrorMessage(const std::optional<QString>& message)
{
    if (message && m_environment.announcer)
        m_environment.announcer->announceFrom(this, errorAnnouncement(*message),
                                              Announcer::outcomePriority);
}

void ControlPanelView::reportHeight()
{
    QLayout* root = layout();
    if (!root)
        return;
    // While the panel is hidden Qt leaves the layouts of shown and hidden
    // sections stale; the owner sizes its window before showing it.
    if (!isVisible()) {
        for (QLayout* nested : findChildren<QLayout*>())
            nested->invalidate();
        for (QWidget* child : findChildren<QWidget*>())
            child->updateGeometry();
    }
    // The scroll area takes the settings' own height, less what passes the limit.
    QLayout* settings = m_parts.settings->widget()->layout();
    settings->invalidate();
    settings->activate();
    const int settingsHeight = settings->hasHeightForWidth()
                                   ? settings->totalHeightForWidth(kWidth)
                                   : settings->totalSizeHint().height();
    m_parts.settings->setFixedHeight(settingsHeight);
    root->invalidate();
    root->activate();
    int height = root->hasHeightForWidth() ? root->totalHeightForWidth(kWidth)
                                           : root->totalSizeHint().height();
    if (height <= 0)
        return;
    if (m_heightLimit > 0 && height > m_heightLimit) {
        const int shown =
            std::max(std::min(kMinimumSettingsHeight, settingsHeight),
                     settingsHeight - (height - m_heightLimit));
        m_parts.settings->setFixedHeight(shown);
        height -= settingsHeight - shown;
    }
    setFixedSize(kWidth, height);
    if (height == m_reportedHeight)
        return;
    m_reportedHeight = height;
    if (m_callbacks.onHeightChange)
        m_callbacks.onHeightChange(height);
}

void ControlPanelView::setHeightLimit(int limit)
{
    if (limit == m_heightLimit)
        return;
    m_heightLimit = limit;
    reportHeight();
}

bool ControlPanelView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // A child grew or shrank (a wrapped text, say): the height follows.
    if (event->type() == QEvent::LayoutRequest)
        reportHeight();
    return handled;
}

void ControlPanelView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The banner reads the hotkey's state each time it comes into view.
    if (!m_hotKeyGranted)
        refreshHotKeyState();
    else
        refreshOutputSize();
}

void ControlPanelView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        modifiers == Qt::NoModifier) {
        if (canRecord())
            call(m_callbacks.onStart);
        return;
    }
    if (event->key() == Qt::Key_Q && modifiers == Qt::ControlModifier) {
        call(m_environment.quit);
        return;
    }
    QWidget::keyPressEvent(event);
}

void ControlPanelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::panelBG());
}

} // namespace kinetta
