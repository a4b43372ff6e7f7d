#pragma once

// The bundled pictures and help page live in a static library, so they are registered by hand
// before the first window needs them.
class CAppResources {
public:
    // Registers them once, however often it is called.
    static void Init();
};
