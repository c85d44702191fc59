// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11keymap.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <utility>

namespace Qb::Platform {

namespace {

// Codes without a simple range rule. Codes in ranges: letters, digits, keypad digits, F keys.
constexpr std::pair<int, KeySym> Single[] = {
    {3, XK_Break},         {8, XK_BackSpace},     {9, XK_Tab},          {12, XK_Clear},
    {13, XK_Return},       {16, XK_Shift_L},      {17, XK_Control_L},   {18, XK_Alt_L},
    {19, XK_Pause},        {20, XK_Caps_Lock},    {27, XK_Escape},      {32, XK_space},
    {33, XK_Prior},        {34, XK_Next},         {35, XK_End},         {36, XK_Home},
    {37, XK_Left},         {38, XK_Up},           {39, XK_Right},       {40, XK_Down},
    {41, XK_Select},       {42, XK_Print},        {43, XK_Execute},     {44, XK_Print},
    {45, XK_Insert},       {46, XK_Delete},       {47, XK_Help},        {91, XK_Super_L},
    {92, XK_Super_R},      {93, XK_Menu},         {106, XK_KP_Multiply}, {107, XK_KP_Add},
    {108, XK_KP_Separator}, {109, XK_KP_Subtract}, {110, XK_KP_Decimal}, {111, XK_KP_Divide},
    {144, XK_Num_Lock},    {145, XK_Scroll_Lock}, {186, XK_semicolon},  {187, XK_equal},
    {188, XK_comma},       {189, XK_minus},       {190, XK_period},     {191, XK_slash},
    {192, XK_grave},       {219, XK_bracketleft}, {220, XK_backslash},   {221, XK_bracketright}, {222, XK_apostrophe},
};

} // namespace

unsigned long keysymOfVirtualKey(int vk)
{
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= 96 && vk <= 105)
        return XK_KP_0 + (vk - 96);
    if (vk >= 112 && vk <= 135)
        return XK_F1 + (vk - 112);
    for (const auto &[code, keysym] : Single) {
        if (code == vk)
            return keysym;
    }
    return NoSymbol;
}

QString keysymNameOfVirtualKey(int vk)
{
    const KeySym keysym = keysymOfVirtualKey(vk);
    const char *name = keysym == NoSymbol ? nullptr : XKeysymToString(keysym);
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace Qb::Platform
