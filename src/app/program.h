#pragma once
// What every run of the program sets up around the window registry.

class Forms;

namespace program {

// Before the program ends, the hidden viewer window leaves the viewer chain.
void wire(Forms &forms);

} // namespace program
