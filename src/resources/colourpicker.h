// SPDX-License-Identifier: GPL-3.0-or-later
// A colour picker control: a button that shows its colour and lets the user choose another.
#pragma once

#include <QColor>
#include <QPushButton>

namespace Qb::Resources {

// The colour is a 32-bit value 0x00BBGGRR as the keyword table stores it (decimal text of this
// value, see the keyword list). Owned by its dialog; UI thread only.
class ColourPicker : public QPushButton
{
    Q_OBJECT

public:
    explicit ColourPicker(QWidget *parent = nullptr);

    QColor colour() const { return m_colour; }
    void setColour(const QColor &colour);
    // The colour as the stored 32-bit value: red in the low byte, blue in the third.
    unsigned colourValue() const;

Q_SIGNALS:
    void colourChanged(const QColor &colour);

private:
    void choose();

    QColor m_colour = Qt::black;
};

} // namespace Qb::Resources
