#pragma once

class COptionsSheet;

// Where each setting of the options sheet lives: the key, its store (the profile for numbers and
// flags, the initialisation file for texts), its default and the page field it fills. Settings
// are read each time the sheet opens and written only after OK, so nothing is kept here.
class COptionsMapping {
public:
    // Fills every page field from the stores, reading the keys in the program's load order.
    static void LoadOptions(COptionsSheet& sheet);
    // Writes every page field back, in the program's save order. The first write that fails is
    // said in a message box and ends the saving.
    static void SaveOptions(COptionsSheet& sheet);
};
