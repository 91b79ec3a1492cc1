// From process start to the first painted window: the lock manager against a bare Qt
// program that shows one empty window, started alternately, median of several runs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double run(const QString &program, const QString &workDir)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GERLOCK_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("WAYLAND_DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    QElapsedTimer t;
    t.start();
    p.start(program, {});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        std::exit(1);
    }
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_start PROGRAM BARE_PROGRAM\n");
        return 2;
    }
    QTemporaryDir dir; // no conexao.dat: the program starts as a new installation would
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString bare = QString::fromLocal8Bit(argv[2]);
    run(program, dir.path()); // warm the file cache
    run(bare, dir.path());
    std::vector<double> ours, base;
    for (int i = 0; i < 15; ++i) {
        ours.push_back(run(program, dir.path()));
        base.push_back(run(bare, dir.path()));
    }
    const double o = median(ours);
    const double b = median(base);
    std::printf("lock manager, start to first paint: %.1f ms\n", o);
    std::printf("bare Qt window, start to first paint: %.1f ms\n", b);
    std::printf("start: ratio %.2f (goal <= 1.5)\n", o / b);
    return 0;
}
