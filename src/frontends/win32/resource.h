// Resource identifiers shared by quorvane.rc and the Win32 front end. Plain #ifndef guards: the
// resource compiler's preprocessor does not honour #pragma once everywhere.
#ifndef QUORVANE_UI_WIN32_RESOURCE_H
#define QUORVANE_UI_WIN32_RESOURCE_H

// The application icon: the first icon of the exe, the one Explorer shows for it.
#define IDI_QUORVANE 1

#endif
