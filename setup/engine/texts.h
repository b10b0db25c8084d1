#pragma once
// Texts the setup programs and the uninstallers share, as macros so that each
// program's messages are single constants made at compile time.

// Where the messages send a user who wants help: a neutral address of ours.
#define VX_WEB_SITE "www.veltrix.example"

// The release a program installs or removes: its name, and the name as the
// Start menu path in the texts spells it.
#ifdef VELTRIX_RELEASE_2000
#define VX_RELEASE "Veltrix 2000"
#define VX_RELEASE_UPPER "VELTRIX 2000"
#else
#define VX_RELEASE "Veltrix"
#define VX_RELEASE_UPPER "VELTRIX"
#endif

// Line breaks as the panels' texts and the message boxes take them.
#define VX_BREAK "\r\n"
