#pragma once

class fang;
class ZAPLABEL;

// What screen readers and desktop automation see of the game (through Qt's accessibility,
// on Linux the AT-SPI bus): picture buttons and the playing field that can be pressed,
// word-list and folder entries that can be activated, named windows and controls; and
// nothing of what the player cannot see. Called once a window's controls exist.
void makeAccessible(fang &window);
void makeAccessible(ZAPLABEL &window);
