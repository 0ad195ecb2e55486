#pragma once

#include <QSize>
#include <QWidget>

// The window layouts were drawn in twips; at the usual 96 dots per inch 15 twips make a pixel.
namespace qs::gui::twips {

constexpr int pixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr QSize size(int width, int height)
{
    return {pixels(width), pixels(height)};
}

// Gives widget at least its design size, and more where the desktop's font needs it: a minimum
// size set by hand would otherwise let a layout squeeze the text.
inline void setLeastSize(QWidget *widget, int widthTwips, int heightTwips)
{
    widget->setMinimumSize(size(widthTwips, heightTwips).expandedTo(widget->minimumSizeHint()));
}

} // namespace qs::gui::twips
