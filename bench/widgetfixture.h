// The widgets a benchmark program measures, made once on first use (the application object must be
// there first) and destroyed before the application goes.
#pragma once

#include <memory>

#include <QApplication>
#include <benchmark/benchmark.h>

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

// The main() of a widget benchmark program: the benchmarks inside an offscreen application, the
// fixture destroyed before the application goes.
template <typename T> int RunWidgetBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    WidgetFixture<T>::Destroy();
    return 0;
}
