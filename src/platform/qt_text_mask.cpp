#include "platform/qt_text_mask.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdlib>

namespace tellur::platform {

TextMask QtTextMaskRenderer::render(std::string_view text, const FontSpec& spec)
{
    TextMask mask;
    if (!QGuiApplication::instance())
        return mask;
    QFont font(QString::fromUtf8(spec.family.data(), static_cast<qsizetype>(spec.family.size())));
    // The size is the font's cell height in pixels, as the station's layouts give it.
    font.setPixelSize(spec.pointSize > 0 ? spec.pointSize : 16);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStyleStrategy(QFont::NoAntialias);
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics fm(font);
    mask.width = fm.horizontalAdvance(s);
    mask.height = fm.height();
    if (mask.width <= 0 || mask.height <= 0) {
        mask.width = mask.height = 0;
        return mask;
    }
    QImage img(mask.width, mask.height, QImage::Format_Grayscale8);
    img.fill(0);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(0, fm.ascent(), s);
    }
    mask.coverage.resize(static_cast<std::size_t>(mask.width * mask.height));
    for (int y = 0; y < mask.height; ++y) {
        const uchar* row = img.constScanLine(y);
        std::copy(row, row + mask.width, mask.coverage.begin() + static_cast<std::ptrdiff_t>(y) * mask.width);
    }
    return mask;
}

bool ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return true;
    // Command-line tools never draw on a screen; a display that is set but unreachable would abort.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tellur32-cli";
    static char* argv[] = {name, nullptr};
    // Left alive on purpose: destroying it among the static destructors at exit crashes Qt.
    new QGuiApplication(argc, argv);
    return QGuiApplication::instance() != nullptr;
}

} // namespace tellur::platform
