#include "report/workbook_deflate.h"

#if defined(__ELF__) && __has_include(<dlfcn.h>)
#include <dlfcn.h>
#define VORSAN_INTERPOSE_ZIP 1
#endif

namespace vorsan {
namespace {

thread_local bool tFastDeflate = false;

} // namespace

FastWorkbookDeflate::FastWorkbookDeflate() : previous_(tFastDeflate) {
    tFastDeflate = true;
}
FastWorkbookDeflate::~FastWorkbookDeflate() {
    tFastDeflate = previous_;
}

} // namespace vorsan

#ifdef VORSAN_INTERPOSE_ZIP

// minizip's declaration (zip.h of zlib's contrib/minizip, not installed with the runtime library),
// spelled with the plain types behind its typedefs: zipFile is a pointer, uInt unsigned int, uLong
// unsigned long; zip_fileinfo is only passed through.
extern "C" int zipOpenNewFileInZip4_64(void* file, const char* filename, const void* zipfi,
                                       const void* extrafieldLocal, unsigned sizeExtrafieldLocal,
                                       const void* extrafieldGlobal, unsigned sizeExtrafieldGlobal,
                                       const char* comment, int method, int level, int raw, int windowBits,
                                       int memLevel, int strategy, const char* password,
                                       unsigned long crcForCrypting, unsigned long versionMadeBy,
                                       unsigned long flagBase, int zip64);

extern "C" __attribute__((visibility("default"))) int
zipOpenNewFileInZip4_64(void* file, const char* filename, const void* zipfi, const void* extrafieldLocal,
                        unsigned sizeExtrafieldLocal, const void* extrafieldGlobal,
                        unsigned sizeExtrafieldGlobal, const char* comment, int method, int level, int raw,
                        int windowBits, int memLevel, int strategy, const char* password,
                        unsigned long crcForCrypting, unsigned long versionMadeBy, unsigned long flagBase,
                        int zip64) {
    using Open = decltype(&zipOpenNewFileInZip4_64);
    // The next definition in lookup order after this program's: the one in libminizip.
    static const Open minizip = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    constexpr int kZipInternalError = -104; // ZIP_INTERNALERROR
    if (minizip == nullptr) return kZipInternalError;
    constexpr int kDeflated = 8; // Z_DEFLATED
    if (vorsan::tFastDeflate && method == kDeflated && raw == 0) level = 1;
    return minizip(file, filename, zipfi, extrafieldLocal, sizeExtrafieldLocal, extrafieldGlobal,
                   sizeExtrafieldGlobal, comment, method, level, raw, windowBits, memLevel, strategy,
                   password, crcForCrypting, versionMadeBy, flagBase, zip64);
}

#endif
