// The meaning of every error code in words, in English and in the dialogs' Japanese: the one
// table that the command line, the toolkit element, the language binding and the forms show.
#include <cstring>

#include "ReziveSdk.h"
#include "dialogs/dialog_language.h"

namespace {

struct ErrorText {
    int32_t code;
    const char* english;
    const char* japanese;
};

constexpr ErrorText kTexts[] = {
    {0, "no error code was recorded", "エラーコードは記録されていません"},
    {RZ_ERR_NO_DEVICE,
     "no camera object, not allowed in the current acquisition mode, or no frame available",
     "カメラオブジェクトがないか、現在の取り込みモードでは実行できないか、フレームがありません"},
    {RZ_ERR_DEVICE_UNAVAILABLE,
     "device not present, cannot be opened, or claimed by another camera object",
     "デバイスがないか、開けないか、別のカメラオブジェクトが使用中です"},
    {RZ_ERR_THREAD, "worker thread or its event could not be created",
     "処理スレッドまたはそのイベントを作成できませんでした"},
    {RZ_ERR_WINDOW, "preview window could not be created, or no size preset matches",
     "プレビューウィンドウを作成できないか、一致するサイズ設定がありません"},
    {RZ_ERR_BUFFER,
     "image buffer could not be allocated, buffer or record too small, or initialisation failed",
     "画像バッファを確保できないか、バッファまたは構造体が小さすぎるか、初期化に失敗しました"},
    {RZ_ERR_REGISTER, "sensor register access failed, or the transfer could not be started",
     "センサーレジスタにアクセスできないか、転送を開始できませんでした"},
    {RZ_ERR_CAPTURE_WINDOW, "capture window invalid", "取り込み範囲が正しくありません"},
    {RZ_ERR_TRANSFER, "a frame transfer failed, or the preview could not start",
     "フレームの転送に失敗したか、プレビューを開始できませんでした"},
    {RZ_ERR_ARGUMENT, "argument out of range or invalid", "引数が範囲外か正しくありません"},
    {RZ_ERR_UNSUPPORTED, "function not available on this model", "この機種では使用できない機能です"},
    {RZ_ERR_FILE, "file name could not be converted, or the recording could not start",
     "ファイル名を変換できないか、録画を開始できませんでした"},
    {RZ_ERR_NO_FRAME, "no frame within 6 s; the preview loop ended",
     "6 秒以内にフレームがなく、プレビューを終了しました"},
};

constexpr ErrorText kUnknown = {-1, "unknown error code", "不明なエラーコードです"};

bool Japanese(const char* language) {
    using rezive::dialogs::Language;
    if (language == nullptr) return rezive::dialogs::DialogLanguage() == Language::kJapanese;
    return std::strncmp(language, "ja", 2) == 0;
}

}  // namespace

RZ_API const char* RzGetErrorText(int32_t code, const char* language) {
    const ErrorText* text = &kUnknown;
    for (const ErrorText& t : kTexts) {
        if (t.code == code) text = &t;
    }
    return Japanese(language) ? text->japanese : text->english;
}
