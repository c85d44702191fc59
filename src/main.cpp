// SPDX-License-Identifier: GPL-3.0-or-later
// The quillbox executable: everything lives in the module libraries.
#include "app/ui/application.h"

int main(int argc, char *argv[])
{
    return Qb::App::runApplication(argc, argv);
}
