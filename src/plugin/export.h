// Marks the declarations the plug-in library exports to its host.
#ifndef QUORVEL_PLUGIN_EXPORT_H_
#define QUORVEL_PLUGIN_EXPORT_H_

#if defined(_WIN32)
#if defined(QUORVEL_BUILDING_PLUGIN)
#define QUORVEL_EXPORT __declspec(dllexport)
#else
#define QUORVEL_EXPORT __declspec(dllimport)
#endif
#else
#define QUORVEL_EXPORT __attribute__((visibility("default")))
#endif

#endif  // QUORVEL_PLUGIN_EXPORT_H_
