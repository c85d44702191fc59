// SPDX-License-Identifier: GPL-3.0-or-later
// The colour picker control of the keyword dialog.
#include "resources/colourpicker.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace Qb::Resources {

ColourPicker::ColourPicker(QWidget *parent)
    : QPushButton(parent)
{
    setAutoDefault(false);
    setColour(m_colour);
    connect(this, &QPushButton::clicked, this, &ColourPicker::choose);
}

void ColourPicker::setColour(const QColor &colour)
{
    m_colour = colour;
    QPixmap swatch(16, 12);
    swatch.fill(colour);
    QPainter(&swatch).drawRect(0, 0, 15, 11);
    setIcon(QIcon(swatch));
    emit colourChanged(colour);
}

unsigned ColourPicker::colourValue() const
{
    return unsigned(m_colour.red()) | unsigned(m_colour.green()) << 8 | unsigned(m_colour.blue()) << 16;
}

void ColourPicker::choose()
{
    const QColor chosen = QColorDialog::getColor(m_colour, this);
    if (chosen.isValid())
        setColour(chosen);
}

} // namespace Qb::Resources
