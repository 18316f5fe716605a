/* How the library's interfaces are exported: the mark on each declaration and its visibility. */
#pragma once

/* VQZ2XML_API marks what the library exports. A Windows DLL exports it when the library is built
   (VQZ2XML_BUILDING_LIBRARY) and imports it elsewhere, unless the library is a static one
   (VQZ2XML_STATIC_DEFINE); other systems need no mark, their symbols are kept visible by the
   headers' visibility pragmas. */
#ifndef VQZ2XML_API
#if defined(_WIN32) && defined(VQZ2XML_BUILDING_LIBRARY)
#define VQZ2XML_API __declspec(dllexport)
#elif defined(_WIN32) && !defined(VQZ2XML_STATIC_DEFINE)
#define VQZ2XML_API __declspec(dllimport)
#else
#define VQZ2XML_API
#endif
#endif
