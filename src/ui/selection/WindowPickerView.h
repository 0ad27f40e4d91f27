#pragma once

#include "model/Scheduler.h"
#include "model/WindowInfo.h"
#include "ui/panel/PanelControls.h"
#include "ui/selection/ActivityIndicator.h"
#include "ui/selection/ThumbnailLoader.h"

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QLineEdit;

namespace kinetta
{

class Announcer;
class RecordingSession;
class WindowCardGrid;
class WindowGridKeyFilter;
class WindowIconLookup;
enum class GridKey;

// The panel in which the user picks the window to record: a header with a
// close button, a search field, the grid of the session's windows (or its
// loading or empty state) and a footer with Refresh and Cancel. It reports a
// choice or a cancel through its two callbacks and never closes itself.
// Main thread only.
class WindowPickerView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int viewWidth = 540;
    static constexpr int viewHeight = 600;

    struct Services {
        RecordingSession& session;
        Scheduler& scheduler;
        Announcer& announcer;
        // The still image of one window, called off the GUI thread.
        WindowSnapshotFunction snapshot;
        // Application icons of the cards; none draws the placeholder.
        WindowIconLookup* icons = nullptr;
        bool reduceMotion = false;
    };
    enum class State { loading, empty, grid };

    WindowPickerView(Services services, std::function<void(const WindowInfo&)> onSelect,
                     std::function<void()> onCancel, QWidget* parent = nullptr);
    ~WindowPickerView() override;

    [[nodiscard]] QString searchQuery() const;
    [[nodiscard]] std::optional<int> keyboardIndex() const { return m_keyboardIndex; }
    [[nodiscard]] const std::vector<WindowInfo>& filteredWindows() const { return m_filtered; }
    [[nodiscard]] State state() const { return m_state; }

    // The parts tests and pictures reach.
    [[nodiscard]] QLineEdit* searchField() const { return m_search; }
    [[nodiscard]] WindowCardGrid* grid() const { return m_grid; }
    [[nodiscard]] ThumbnailLoader& thumbnails() { return m_thumbnails; }
    [[nodiscard]] QAbstractButton* closeButton() const { return m_close; }
    [[nodiscard]] QAbstractButton* clearButton() const { return m_clear; }
    [[nodiscard]] QAbstractButton* emptyRefreshButton() const { return m_emptyRefresh; }
    [[nodiscard]] QAbstractButton* footerRefreshButton() const { return m_footerRefresh; }
    [[nodiscard]] QAbstractButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] QWidget* loadingIndicator() const { return m_loading; }

    // The empty state's text: no windows at all, or none matching the query.
    [[nodiscard]] static QString emptyText(const QString& query);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void handleKey(GridKey key);
    void move(int step);
    void setKeyboardIndex(std::optional<int> index);
    void select(int index);
    void refilter();
    void updateState();
    void loadingChanged(bool loading);
    void refresh();
    [[nodiscard]] QRectF gridArea() const;
    [[nodiscard]] QRectF searchBar() const;

    Services m_services;
    std::function<void(const WindowInfo&)> m_onSelect;
    std::function<void()> m_onCancel;
    ThumbnailLoader m_thumbnails;
    std::vector<WindowInfo> m_filtered;
    std::optional<int> m_keyboardIndex;
    State m_state = State::empty;
    bool m_refreshedOnce = false;
    std::optional<QPoint> m_dragOffset;

    QLineEdit* m_search;
    panel::TextButton* m_close;
    panel::TextButton* m_clear;
    WindowCardGrid* m_grid;
    ActivityIndicator* m_loading;
    panel::TextButton* m_emptyRefresh;
    panel::TextButton* m_footerRefresh;
    panel::TextButton* m_cancel;
    WindowGridKeyFilter* m_keys;
};

} // namespace kinetta
