#pragma once

#include "gif/GifTestDecoder.h"
#include "ui/preview/PreviewWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <optional>

namespace kinetta::test
{

// Presses S in window, saves to target through the dialog that opens, and
// decodes what was written there; absent when no dialog opened or no GIF was
// written.
inline std::optional<gif::testing::DecodedGif> saveWithKey(PreviewWindow& window,
                                                           const QString& target)
{
    QTest::keyClick(&window, Qt::Key_S);
    QFileDialog* dialog = window.saveDialog();
    if (!dialog)
        return std::nullopt;
    dialog->selectFile(target);
    static_cast<QDialog*>(dialog)->accept();
    QFile file(target);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    return gif::testing::decodeGif({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::size_t>(bytes.size())});
}

} // namespace kinetta::test
