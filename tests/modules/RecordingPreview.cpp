// A stand-in for the report-preview module. Its ShowForm notes in "showform.log" beside the module (or in the
// file named by PREVIEW_CALL_LOG) that it was called and which hand-off files were there at that moment.
// Built a second time without ShowForm.
// Plain C library calls only, so that nothing keeps the module loaded after it is unloaded.

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

/// The folder this module was loaded from, with its trailing "/".
void moduleFolder(char *folder, size_t size)
{
    Dl_info info{};
    dladdr(reinterpret_cast<void *>(&moduleFolder), &info);
    std::snprintf(folder, size, "%s", info.dli_fname ? info.dli_fname : "");
    char *slash = std::strrchr(folder, '/');
    if (slash)
        slash[1] = '\0';
}

} // namespace

#ifndef WITHOUT_SHOWFORM
static int present(const char *folder, const char *name)
{
    char path[4096 + 16];
    std::snprintf(path, sizeof path, "%s%s", folder, name);
    struct stat st {};
    return stat(path, &st) == 0 && st.st_size > 0;
}

extern "C" __attribute__((visibility("default"))) void ShowForm()
{
    char folder[4096];
    moduleFolder(folder, sizeof folder);
    char log[4096 + sizeof "showform.log"];
    const char *named = std::getenv("PREVIEW_CALL_LOG");
    std::snprintf(log, sizeof log, "%s%s", named ? "" : folder, named ? named : "showform.log");
    if (FILE *f = std::fopen(log, "a")) {
        std::fprintf(f, "called rpttemp.ini=%d temp.cds=%d temp2.cds=%d\n", present(folder, "rpttemp.ini"),
                     present(folder, "temp.cds"), present(folder, "temp2.cds"));
        std::fclose(f);
    }
}
#else
/// Some other entry, so that the module is a proper one without the one the program looks for.
extern "C" __attribute__((visibility("default"))) void ShowReport()
{
    char folder[4096];
    moduleFolder(folder, sizeof folder);
}
#endif
