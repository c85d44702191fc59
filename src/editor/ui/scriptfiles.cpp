// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/scriptfiles.h"

#include "platform/uitext.h"

#include "editor/scriptfile.h"
#include "editor/ui/scripteditor.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace Qb::Editor {

namespace {
namespace Keys = Qb::Settings::Keys;

QStringList nameFilters()
{
    return {QbText::tr("py文件 (*.py)"), QbText::tr("文本文件 (*.txt)"),
            QbText::tr("所有文件(*.*) (*)")};
}
} // namespace

ScriptFiles::ScriptFiles(ScriptEditor &editor, const Qb::Settings::AppSettings &settings,
                         QString &currentScriptPath, QWidget *dialogParent)
    : QObject(&editor)
    , m_editor(editor)
    , m_settings(settings)
    , m_currentScriptPath(currentScriptPath)
    , m_dialogParent(dialogParent)
{
    m_chooser = [this](DialogMode mode, const QString &initial) { return chooseWithDialog(mode, initial); };
    m_question = [this](const QString &text) { return askWithMessageBox(text); };
    m_notifier = [this](const QString &text) {
        QMessageBox::information(m_dialogParent, QbText::tr("信息："), text);
    };
}

void ScriptFiles::openWithDialog()
{
    const QString path = choose(DialogMode::Open);
    if (!path.isEmpty())
        OpenScript(path);
}

bool ScriptFiles::OpenScript(const QString &path)
{
    if (!loadFile(path, true))
        return false;
    m_settings.write(Keys::HistoryFile, path);
    return true;
}

bool ScriptFiles::loadFile(const QString &path, bool report)
{
    const auto bytes = readWholeFile(path);
    if (!bytes) {
        const QString text = QbText::tr("无法打开文件“%1”：%2").arg(path, bytes.error());
        if (report)
            m_notifier(text);
        else
            emit statusMessage(text);
        return false;
    }
    if (report && !confirmDiscardScript())
        return false;
    const DecodedScript decoded = decodeScript(*bytes);
    m_editor.SetScriptText(decoded.text);
    m_editor.markSaved();
    m_encoding = decoded.encoding;
    m_savedBytes = *bytes;
    setCurrentScript(path);
    return true;
}

void ScriptFiles::setCurrentScript(const QString &path)
{
    m_currentScriptPath = path;
    emit currentScriptChanged(path);
}

void ScriptFiles::ReopenLastScript()
{
    const QString path = m_settings.read(Keys::HistoryFile);
    m_currentScriptPath.clear();
    if (!path.isEmpty() && QFileInfo(path).isFile())
        loadFile(path, false);
}

bool ScriptFiles::SaveScript()
{
    if (m_currentScriptPath.isEmpty())
        return SaveScriptAs();
    return writeScript(m_currentScriptPath, true);
}

bool ScriptFiles::SaveScriptAs()
{
    const QString path = choose(DialogMode::Save);
    if (path.isEmpty())
        return false;
    const bool untitled = m_currentScriptPath.isEmpty();
    if (!writeScript(path, untitled))
        return false;
    if (untitled) {
        setCurrentScript(path);
        m_settings.write(Keys::HistoryFile, path);
    }
    return true;
}

bool ScriptFiles::writeScript(const QString &path, bool makesCurrent)
{
    EncodedScript encoded;
    if (!m_savedBytes.isNull() && !m_editor.isModified())
        encoded = {m_savedBytes, m_encoding, false};
    else
        encoded = encodeScript(m_editor.GetScriptText(), m_encoding);
    if (auto written = writeWholeFile(path, encoded.bytes); !written) {
        m_notifier(QbText::tr("无法保存文件“%1”：%2").arg(path, written.error()));
        return false;
    }
    if (encoded.fellBackToUtf8)
        emit statusMessage(QbText::tr("“%1”含有GBK无法表示的字符，已按UTF-8保存").arg(path));
    if (makesCurrent) {
        m_encoding = encoded.encoding;
        m_savedBytes = encoded.bytes;
        m_editor.markSaved();
    }
    return true;
}

bool ScriptFiles::confirmDiscardScript()
{
    const bool unsaved = m_currentScriptPath.isEmpty() ? m_editor.textLength() > 0
                                                       : m_editor.isModified();
    if (!unsaved)
        return true;
    switch (m_question(QbText::tr("脚本已修改，是否保存？"))) {
    case Answer::Yes:
        return SaveScript();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

QString ScriptFiles::choose(DialogMode mode)
{
    const QString path = m_chooser(mode, m_lastChosen);
    if (!path.isEmpty())
        m_lastChosen = path;
    return path;
}

QString ScriptFiles::chooseWithDialog(DialogMode mode, const QString &initialName)
{
    QFileDialog dialog(m_dialogParent);
    dialog.setNameFilters(nameFilters());
    if (mode == DialogMode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("py"));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

ScriptFiles::Answer ScriptFiles::askWithMessageBox(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QbText::tr("询问："), text, QMessageBox::NoButton,
                    m_dialogParent);
    QPushButton *yes = box.addButton(QbText::tr("是"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QbText::tr("否"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QbText::tr("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    return box.clickedButton() == no ? Answer::No : Answer::Cancel;
}

} // namespace Qb::Editor
