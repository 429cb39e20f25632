// Marks a function as one of a plug-in's exports: C linkage, the exact name, visible from the
// library. Everything else in a plug-in is built hidden.
#ifndef ORU_PLUGIN_API_PLUGIN_EXPORT_H_
#define ORU_PLUGIN_API_PLUGIN_EXPORT_H_

#if defined(_WIN32)
#define ORU_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define ORU_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#endif  // ORU_PLUGIN_API_PLUGIN_EXPORT_H_
