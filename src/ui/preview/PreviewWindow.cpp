#include "ui/preview/PreviewWindow.h"

#include "model/RecordingSession.h"
#include "ui/preview/ActionBar.h"
#include "ui/preview/FrameOverlay.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewBanners.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/PreviewPainting.h"
#include "ui/preview/PreviewTitleBar.h"
#include "ui/preview/PreviewView.h"
#include "ui/preview/PreviewWindowSize.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace kinetta
{

PreviewWindow::PreviewWindow(RecordingSession& session, Services services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session),
      m_view(new PreviewView(session, services.scheduler, services.encoder, services.announcer,
                             services.reduceMotion, this)),
      m_actions(new PreviewActions(m_view->model(),
                                   {services.delivery, services.writer, services.dragFiles,
                                    services.scheduler, services.announcer},
                                   this)),
      m_titleBar(new PreviewTitleBar(m_view->model(), this)),
      m_overlay(new FrameOverlay(m_view->model(), *m_actions,
                                 {services.scheduler, services.reduceMotion}, m_view->frameView())),
      m_sizeBanner(new PreviewSizeBanner(m_view->model(),
                                         {services.scheduler, services.reduceMotion}, this)),
      m_errorBanner(new PreviewErrorBanner(m_view->model(), this)),
      m_actionBar(new ActionBar(m_view->model(), *m_actions,
                                {services.scheduler, services.reduceMotion}, this))
{
    setWindowTitle(QStringLiteral("Kinetta"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The window always looks the same, whatever the desktop's theme.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, PreviewColors::background);
    dark.setColor(QPalette::WindowText, Qt::white);
    setPalette(dark);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_titleBar);
    column->addWidget(m_view, 1);
    column->addWidget(m_actionBar);
    // The frame takes what the window gives, between these heights.
    m_view->frameView()->setMinimumHeight(180);
    m_view->frameView()->setMaximumHeight(360);
    m_view->addBelowFrame(m_sizeBanner);
    m_view->addBelowFrame(m_errorBanner);

    connect(m_actionBar, &ActionBar::saveRequested, this, &PreviewWindow::openSaveDialog);
    addShortcuts();
    placeOnScreen();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::placeOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const std::optional<int> visible =
        screen ? std::optional<int>(screen->availableGeometry().height()) : std::nullopt;
    const PreviewWindowSize size = previewWindowSize(visible);
    setMinimumSize(size.minimum);
    setMaximumSize(size.maximum);
    resize(size.initial);
    if (screen) {
        QRect frame(QPoint(), size.initial);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void PreviewWindow::setOnDiscard(std::function<void()> callback)
{
    m_actions->setOnDiscard([this, callback = std::move(callback)] { leaveThen(callback); });
}

void PreviewWindow::setOnRecordAgain(std::function<void()> callback)
{
    m_actions->setOnRecordAgain([this, callback = std::move(callback)] { leaveThen(callback); });
    m_actionBar->refresh();
}

void PreviewWindow::addShortcuts()
{
    const auto add = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(QKeySequence(Qt::Key_C), [this] {
        if (m_actions->canExport())
            m_actions->copyGif();
    });
    add(QKeySequence(Qt::Key_S), [this] {
        if (m_actions->canExport())
            openSaveDialog();
    });
    add(QKeySequence(Qt::Key_R), [this] { m_actions->recordAgain(); });
    add(QKeySequence(Qt::Key_B), [this] {
        if (m_view->model().frameCount() >= 2)
            m_view->model().toggleBoomerang();
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_Backspace), [this] { m_actions->discard(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { m_actions->discard(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
}

void PreviewWindow::openSaveDialog()
{
    if (!m_actions->canExport() || m_saveDialog)
        return;
    auto* dialog = new QFileDialog(this, QStringLiteral("Save GIF"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("GIF image (*.gif)"));
    dialog->setDefaultSuffix(QStringLiteral("gif"));
    if (const std::optional<QString> folder = m_actions->lastSaveDir())
        dialog->setDirectory(*folder);
    dialog->selectFile(PreviewActions::proposedSaveName(QDateTime::currentDateTime()));
    connect(dialog, &QFileDialog::fileSelected, m_actions, &PreviewActions::saveTo);
    m_saveDialog = dialog;
    dialog->open();
}

void PreviewWindow::leaveThen(const std::function<void()>& next)
{
    hide();
    finish();
    if (next)
        next();
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        finish();
}

void PreviewWindow::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_saveDialog)
        m_saveDialog->close();
    m_session.setCapturedFrames({});
    if (m_onClosed)
        m_onClosed();
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), PreviewColors::background);
}

} // namespace kinetta
