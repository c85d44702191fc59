// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/settingsdialog.h"

#include "hotkeys/hotkeytext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Qb::App {

namespace Keys = Settings::Keys;

SettingsDialog::SettingsDialog(QWidget *owner, const Settings::AppSettings &settings, bool &addChineseName, Host host)
    : SettingsWindow(owner)
    , m_settings(settings)
    , m_addChineseName(addChineseName)
    , m_host(std::move(host))
{
    // clicked, not toggled: filling the boxes must not write anything.
    connect(control<QCheckBox>("选择框4"), &QCheckBox::clicked, this, &SettingsDialog::OnAddChineseNameClicked);
    connect(control<QCheckBox>("选择框3"), &QCheckBox::clicked, this, &SettingsDialog::OnAlwaysOnTopClicked);
    connect(control<QCheckBox>("选择框5"), &QCheckBox::clicked, this, &SettingsDialog::OnTypeIntoTargetClicked);
    connect(control<QPushButton>("按钮1"), &QPushButton::clicked, this, &SettingsDialog::OnSettingsConfirmed);
    // The labels in front of the two fields are their labels for screen readers.
    control<QLabel>("标签4")->setBuddy(control("组合框2"));
    control<QLabel>("标签8")->setBuddy(control("编辑框2"));
}

void SettingsDialog::onCreated()
{
    OnSettingsDialogCreated();
}

void SettingsDialog::OnSettingsDialogCreated()
{
    control<QCheckBox>("选择框3")->setChecked(m_host.alwaysOnTop());
    control<QCheckBox>("选择框4")->setChecked(m_addChineseName);
    control<QCheckBox>("选择框5")->setChecked(m_host.typeIntoTarget && *m_host.typeIntoTarget);
    const auto [modifier, key] = Hotkeys::SplitHotkeyText(m_settings.read(Keys::CaptureHotkey));
    auto *modifiers = control<QComboBox>("组合框2");
    // The list entry of the stored modifier (any letter case) is the current one, so the arrow
    // keys move on from it; the field shows the text as stored.
    modifiers->setCurrentIndex(std::max(0, modifiers->findText(modifier, Qt::MatchFixedString)));
    modifiers->setEditText(modifier);
    control<QLineEdit>("编辑框2")->setText(key);
}

void SettingsDialog::OnAddChineseNameClicked(bool ticked)
{
    m_settings.writeBool(Keys::Tstjzwm, ticked);
    m_addChineseName = ticked;
}

void SettingsDialog::OnAlwaysOnTopClicked(bool ticked)
{
    m_settings.writeBool(Keys::Zzzq, ticked);
    m_host.setAlwaysOnTop(ticked);
}

void SettingsDialog::OnTypeIntoTargetClicked(bool ticked)
{
    m_settings.writeBool(Keys::Mbsr, ticked);
    if (m_host.typeIntoTarget)
        *m_host.typeIntoTarget = ticked;
}

void SettingsDialog::OnSettingsConfirmed()
{
    const QString text = Hotkeys::ComposeHotkeyText(control<QComboBox>("组合框2")->currentText(),
                                                    control<QLineEdit>("编辑框2")->text());
    m_host.registerCaptureHotkey(text);
    m_settings.write(Keys::CaptureHotkey, text);
    CloseWindow();
}

} // namespace Qb::App
