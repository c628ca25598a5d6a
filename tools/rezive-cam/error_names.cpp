#include "error_names.h"

#include <ReziveSdk.h>

namespace rezive::cli {

const char* ErrorMeaning(int32_t code) {
    // The tool's messages are English, whatever language the dialogs speak.
    return RzGetErrorText(code, "en");
}

}  // namespace rezive::cli
