#include "BenchApp.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QSurfaceFormat>

namespace BenchApp {

int runWithGL(int argc, char** argv, const std::function<void()>& ready) {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QSurfaceFormat::setDefaultFormat(format);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (ready) ready();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

}  // namespace BenchApp
