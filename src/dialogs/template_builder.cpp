#include "dialogs/dialog_templates.h"

#include <utility>

namespace rezive::dialogs {

TemplateBuilder::TemplateBuilder(std::string caption, int16_t width, int16_t height) {
    description_.caption = std::move(caption);
    description_.width = width;
    description_.height = height;
}

int32_t TemplateBuilder::AddPage(int16_t width, int16_t height) {
    platform::DialogPage page;
    page.width = width;
    page.height = height;
    description_.pages.push_back(page);
    return static_cast<int32_t>(description_.pages.size());
}

int32_t TemplateBuilder::Add(int32_t page, int32_t id, platform::ControlKind kind, int16_t x,
                             int16_t y, int16_t width, int16_t height, std::string text) {
    platform::DialogControl c;
    c.id = id;
    c.kind = kind;
    c.page = page;
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.text = std::move(text);
    description_.controls.push_back(std::move(c));
    return static_cast<int32_t>(description_.controls.size() - 1);
}

void TemplateBuilder::AddUpDown(int32_t page, int32_t id, int16_t x, int16_t y, int16_t width,
                                int16_t height, int32_t buddyIndex) {
    Add(page, id, platform::ControlKind::UpDown, x, y, width, height);
    Last().buddy = buddyIndex;
}

}  // namespace rezive::dialogs
