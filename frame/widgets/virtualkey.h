// Callers name keys by their classic virtual-key codes (letters and digits are their ASCII
// capitals, F1 is 0x70, ...); Qt names them differently.
#pragma once

namespace zmsg {

// The virtual-key code of a Qt key, 0 when the key has none.
int VirtualKeyFromQt(int qtKey);

} // namespace zmsg
