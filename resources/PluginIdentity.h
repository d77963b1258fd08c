/* Identity of the plug-in, shared by the resource script and the C++ code.
   The unique identifier names the scripting event and is the registry key of
   users' last-used settings: it must never change. Plain #defines only, so
   that the resource compiler can read this file too. */
#ifndef MIRTANE_PLUGIN_IDENTITY_H
#define MIRTANE_PLUGIN_IDENTITY_H

#define MIRTANE_UNIQUE_ID "{6F2B8C1E-4A7D-4E93-9B21-5C3D8E7F1A04}"
#define MIRTANE_VERSION_TEXT "1.1.4"
#define MIRTANE_VERSION_NUMBERS 1, 1, 4, 0
#define MIRTANE_MENU_NAME "MIRTANE v1.1.4"
#define MIRTANE_CATEGORY "Norlund"
#define MIRTANE_PRODUCT_NAME "MIRTANE Plug-In"

#endif
