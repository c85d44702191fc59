// SPDX-License-Identifier: GPL-3.0-or-later
// The translation context of every text the user sees: QbText::tr("打开"), and
// QT_TRANSLATE_NOOP("QbText", "…") for texts kept in tables and translated where they are shown.
// The sources are the Chinese texts; object names, settings keys and stored values are never
// translated. translations/quillbox_<lang>.ts holds the translations.
#pragma once

#include <QCoreApplication>

class QbText
{
    Q_DECLARE_TR_FUNCTIONS(QbText)
};
