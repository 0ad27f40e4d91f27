#pragma once

#include "model/Frame.h"
#include "ui/preview/ScaledFrameLoader.h"

#include <QImage>
#include <QWidget>
#include <map>
#include <set>
#include <vector>

namespace kinetta
{

// The frame on screen, fitted to the view. Frames are decoded and scaled off
// the GUI thread, the next one ahead of time, so playback only copies pixels
// here; until a frame arrives the one before stays up.
class PreviewFrameView final : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewFrameView(QWidget* parent = nullptr);

    void setFrames(const FrameList& frames);
    // Shows index as soon as it is decoded, and decodes the frames upcoming
    // after it ahead of time, in their order.
    void showFrame(int index, std::vector<int> upcoming = {});
    // The frame whose image is on screen, -1 before the first.
    [[nodiscard]] int shownIndex() const { return m_shownIndex; }
    // Whether index is decoded ahead and waits to be shown.
    [[nodiscard]] bool isReady(int index) const { return m_ready.contains(index); }

Q_SIGNALS:
    // index's image is on screen now.
    void frameShown(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void request(int index, int priority);
    [[nodiscard]] bool isUpcoming(int index) const;
    void arrived(int index, QImage image);
    void present(int index, const QImage& image);
    void restart();
    [[nodiscard]] QSize pixelSize() const;

    ScaledFrameLoader m_loader;
    FrameList m_frames;
    int m_wanted = -1;
    std::vector<int> m_upcoming;
    int m_shownIndex = -1;
    QImage m_image;
    // Decoded images kept for the frames wanted soon, by index.
    std::map<int, QImage> m_ready;
    std::set<int> m_loading;
};

} // namespace kinetta
