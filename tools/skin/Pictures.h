#pragma once

#include "SkinWriter.h"

#include <QFont>
#include <QImage>

// The pictures of the default skin, one function each.
namespace kavrel::skin {

QFont skinFont(int pixelSize, QFont::Weight weight);

enum class ToggleState { Normal, Over, Down };
enum class ListIcon { Release, Press, Pause };

QImage captionButton(bool minimise, bool hover);
QImage profileButton(bool down);
QImage textButton(bool over);
QImage pageButton();
QImage comboField(bool over);
QImage checkBox(ToggleState state);
QImage radioButton(ToggleState state);
QImage recordButton(bool down);
QImage listIcon(ListIcon icon);
QImage folderIcon(bool open);
QImage sliderThumb();
QImage sliderBar();
QImage messageIcon();
QImage menuRow(bool submenu, bool over);

QImage mainBackground(const SkinLayout& layout);
QImage mainMask(const SkinLayout& layout);
QImage pickerBackground();
QImage messageBackground();
QImage progressPicture(bool full);
QImage macroBackground(const SkinLayout& layout);

} // namespace kavrel::skin
