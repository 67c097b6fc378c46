// The image editor on a 6000 x 4000 photo: opening it and showing it fitted against a bare decode of
// the same file in the same run, one zoom step (rendered and painted), and saving the whole picture
// at 100% as a JPEG of quality 100. Offscreen, through the real view.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include "bench/widgetfixture.h"
#include "smms/ui/imageeditview.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Something that compresses and decodes like a photo: soft gradients, shapes and sensor noise.
QImage Photo(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int r = 40 + 150 * x / w + noise(random);
            const int g = 60 + 120 * y / h + noise(random);
            const int b = 90 + 80 * (x + y) / (w + h) + noise(random);
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor::fromHsv(i * 9 % 360, 160, 200));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(int(random() % w), int(random() % h)), 100 + i * 11, 80 + i * 7);
    }
    return image;
}

struct Setup {
    QTemporaryDir dir;
    std::string photo;
    std::string saved;
    CImageEditView view;

    Setup() {
        const QString path = dir.filePath(QStringLiteral("photo.jpg"));
        if (!Photo(6000, 4000).save(path, "JPEG", 90))
            std::abort();
        photo = QFile::encodeName(path).toStdString();
        saved = QFile::encodeName(dir.filePath(QStringLiteral("saved.jpg"))).toStdString();
        view.resize(600, 500);
        view.show();
    }
};

Setup& Fixture() {
    return WidgetFixture<Setup>::Get();
}

// Each iteration decodes the file bare, then opens it in the view and paints it fitted; the time
// counted is the open, and "ratio" is the open over the bare decode, both from this run.
void BM_OpenFitted(benchmark::State& state) {
    Setup& s = Fixture();
    double bare = 0, fitted = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        QImageReader reader(QString::fromStdString(s.photo));
        QImage decoded = reader.read();
        benchmark::DoNotOptimize(decoded.constBits());
        decoded = QImage();
        const auto t1 = Clock::now();
        if (!s.view.LoadImage(s.photo))
            std::abort();
        const QPixmap shown = s.view.grab();
        benchmark::DoNotOptimize(shown.cacheKey());
        const auto t2 = Clock::now();
        bare += Ms(t1 - t0);
        fitted += Ms(t2 - t1);
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["bare_ms"] = bare / n;
    state.counters["fitted_ms"] = fitted / n;
    state.counters["ratio"] = fitted / bare;
    state.counters["zoom_pct"] = s.view.Editor().Zoom() * 100;
}
BENCHMARK(BM_OpenFitted)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);

// One press of zoom in or zoom out, painted: from the fitted view (arg 0) and around 100% (arg 1).
void BM_ZoomStep(benchmark::State& state) {
    Setup& s = Fixture();
    if (!s.view.LoadImage(s.photo))
        std::abort();
    if (state.range(0) == 1)
        s.view.SetZoom(1.0);
    bool in = true;
    for (auto _ : state) {
        const double z = s.view.Editor().Zoom();
        const auto next = in ? zmsg::ImageEditor::ZoomInStep(z) : zmsg::ImageEditor::ZoomOutStep(z);
        in = !in;
        s.view.SetZoom(next.value_or(z));
        const QPixmap shown = s.view.grab();
        benchmark::DoNotOptimize(shown.cacheKey());
    }
    state.counters["zoom_pct"] = s.view.Editor().Zoom() * 100;
}
BENCHMARK(BM_ZoomStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole 6000 x 4000 picture selected at 100% and saved (quality 100).
void BM_SaveFullSelection(benchmark::State& state) {
    Setup& s = Fixture();
    if (!s.view.LoadImage(s.photo))
        std::abort();
    s.view.SetZoom(1.0);
    if (s.view.Editor().RenderedSize() != QSize(6000, 4000))
        std::abort();
    for (auto _ : state)
        if (!s.view.SaveSelection(s.saved))
            std::abort();
    state.counters["MB"] = static_cast<double>(QFile(QString::fromStdString(s.saved)).size()) / 1e6;
}
BENCHMARK(BM_SaveFullSelection)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks<Setup>(argc, argv);
}
