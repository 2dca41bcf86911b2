// Composition of one thumbnail cell into an off-screen image: background by
// selection and focus, the file name and the two shooting-information lines,
// the picture, the kind and protect marks and the frame. Works on QImage
// only, so the engine's worker can compose cells on its own thread.
#pragma once

#include "imaging/ImageItem.h"
#include "thumbnails/ThumbnailLayout.h"

#include <QColor>
#include <QFont>
#include <QImage>

namespace lumora {

struct AppSettings;

// 0x00BBGGRR colour value to QColor.
inline QColor colorFromRef(std::int32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

// Caption font from a face, a height (negative: character height in pixels)
// and a weight (0: the default weight).
QFont captionFont(const QString& face, int height, int weight);

struct CellStyle {
    ThumbnailLayout layout;
    QColor workspace, canvasNormal, selectedForeground, selectedBackground, edge, cursorForeground,
        cursorBackground, fileNameColor, exifInfoColor;
    QFont nameFont, infoFont, kindFont;
    bool kindIcon = true;
    bool protectIcon = true;
    bool focused = false;
    qreal devicePixelRatio = 1.0;

    // Colours, fonts, sizes and options from the settings; line heights are
    // measured from the fonts (height of the letter W).
    void apply(const AppSettings& s);
};

// The cell as an image of cellWidth x cellHeight logical pixels.
QImage composeCell(const ImageItem& item, const CellStyle& style);

// The thumbnail pixels of an item as an image (top-down), ICO and CUR with
// their colour key 0x000100 made transparent; null without a thumbnail.
QImage thumbnailImage(const ImageItem& item);

} // namespace lumora
