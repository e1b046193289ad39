// Test entry: a sandboxed environment, the Qt application object, then GoogleTest.
#include <clocale>
#include <cstdlib>

#include <gtest/gtest.h>

#ifdef RV_TEST_GUI
#include <QApplication>
#include <QSurfaceFormat>
#else
#include <QCoreApplication>
#endif

#include "TestEnv.h"

int main(int argc, char** argv) {
    TestEnv::isolate();
    testing::InitGoogleTest(&argc, argv);
#ifdef RV_TEST_GUI
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QSurfaceFormat::setDefaultFormat(format);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    setlocale(LC_NUMERIC, "C");
    int result = RUN_ALL_TESTS();
    if (!getenv("RV_KEEP_TEST_DIR")) std::system(("rm -rf '" + TestEnv::root() + "'").c_str());
    return result;
}
