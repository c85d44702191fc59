// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark: opening a 20 MB GBK script until the editor has painted it, against the floor of
// converting the same bytes and handing them to the component. Goal: at most 1.5 times the floor.
#include "benchtiming.h"
#include "editor/ui/scripteditor.h"
#include "editor/ui/scriptfiles.h"
#include "platform/textcodec.h"
#include "settings/appsettings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qsizetype TargetBytes = 20 * 1024 * 1024;
constexpr int Rounds = 5;

QByteArray gbkScript()
{
    const QByteArray line = Qb::Platform::toGbk(
        QStringLiteral("    结果 = 计算(宽度, 高度)  # 注释：中文和 ASCII 混合的一行 print('你好')\r\n"));
    QByteArray bytes;
    bytes.reserve(TargetBytes + line.size());
    while (bytes.size() < TargetBytes)
        bytes += line;
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QbBench::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/big.py");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(gbkScript()) < TargetBytes)
            return 1;
    }
    Qb::Editor::ScriptEditor editor;
    editor.ConfigureForStartup();
    editor.resize(600, 400);
    editor.show();
    Qb::Settings::AppSettings settings(dir.path() + QStringLiteral("/mlkpz.ini"));
    QString current;
    Qb::Editor::ScriptFiles files(editor, settings, current, nullptr);
    files.setQuestion([](const QString &) { return Qb::Editor::ScriptFiles::Answer::No; });

    const auto clear = [&] { editor.SetScriptText(QString()); editor.repaint(); };
    const double floor = QbBench::median(Rounds, [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray utf8 = Qb::Platform::Utf8FromGbk(file.readAll());
        editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, utf8.constData());
        editor.repaint();
    }).wall;
    clear();
    const double open = QbBench::median(Rounds, [&] {
        files.OpenScript(path);
        editor.repaint();
    }).wall;
    const double ratio = open / floor;
    std::printf("scriptopen: 20 MB GBK script, median of %d\n", Rounds);
    std::printf("  read + convert + SCI_SETTEXT + paint: %8.1f ms\n", floor);
    std::printf("  OpenScript + paint:                   %8.1f ms\n", open);
    std::printf("  ratio %.2f (goal <= 1.50): %s\n", ratio, ratio <= 1.5 ? "met" : "NOT met");
    std::fflush(stdout);
    return 0;
}
