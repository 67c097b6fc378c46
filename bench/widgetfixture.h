// The widgets a benchmark program measures, made once on first use (the application object must be
// there first) and destroyed before the application goes.
#pragma once

#include <memory>

template <typename T> class WidgetFixture {
public:
    static T& Get() {
        if (!Made())
            Made() = std::make_unique<T>();
        return *Made();
    }
    static void Destroy() { Made().reset(); }

private:
    static std::unique_ptr<T>& Made() {
        static std::unique_ptr<T> made;
        return made;
    }
};
