#include "view/model_view_input.h"

#include "core/batch.h"
#include "core/shared_value.h"

namespace brelix {

namespace {

void Add(double& value, double delta) { StoreShared(value, LoadShared(value) + delta); }

// Azimuth steps by key: below 0 gives 359, 360 or more gives 0.
void StepAzimuth(double& azimuth, double delta) {
    double value = LoadShared(azimuth) + delta;
    if (value < 0) value = 359;
    if (value >= 360) value = 0;
    StoreShared(azimuth, value);
}

// Declination steps by key: 0 or below gives 0, 89 or more gives 89.
void StepDeclination(double& declination, double delta) {
    double value = LoadShared(declination) + delta;
    if (value <= 0) value = 0;
    if (value >= 89) value = 89;
    StoreShared(declination, value);
}

CViewEffect ShiftKey(CBatch& batch, EViewKey key) {
    switch (key) {
        case EViewKey::Home: StepAzimuth(batch.azimuthOffset, -1); break;
        case EViewKey::PageUp: StepAzimuth(batch.azimuthOffset, 1); break;
        case EViewKey::End: StepDeclination(batch.declinationOffset, -1); break;
        case EViewKey::PageDown: StepDeclination(batch.declinationOffset, 1); break;
        case EViewKey::Left: Add(batch.xOffset, -1); break;
        case EViewKey::Right: Add(batch.xOffset, 1); break;
        case EViewKey::Up: Add(batch.yOffset, -1); break;
        case EViewKey::Down: Add(batch.yOffset, 1); break;
        default: return {};
    }
    return {.offsets = true};
}

}  // namespace

CViewEffect CModelViewInput::Key(CBatch& batch, EViewKey key, bool shift) const {
    if (shift) return ShiftKey(batch, key);
    CDrawTools& tools = batch.drawTools;
    CViewEffect effect{.projection = true};
    switch (key) {
        case EViewKey::Home: tools.rotation -= Step; break;
        case EViewKey::PageUp: tools.rotation += Step; break;
        case EViewKey::End: tools.tilt -= Step; break;
        case EViewKey::PageDown: tools.tilt += Step; break;
        case EViewKey::I: tools.scale *= 1.1; break;
        case EViewKey::O: tools.scale /= 1.1; break;
        case EViewKey::Left: tools.originX -= 10; break;
        case EViewKey::Right: tools.originX += 10; break;
        case EViewKey::Up: tools.originY -= 5 * tools.scale; break;
        case EViewKey::Down: tools.originY += 5 * tools.scale; break;
        case EViewKey::H:
        case EViewKey::Clear: tools.ResetView(false); break;
        case EViewKey::Escape: effect = {.stop = true}; break;
        case EViewKey::Other: effect = {}; break;
    }
    // After every key without Shift, as the picture has always done: even a key that changes nothing
    // replaces the stored sine and cosine by those of the tilt.
    tools.UpdateTilt();
    return effect;
}

CViewEffect CModelViewInput::MouseMove(CBatch& batch, int x, int y, uint32_t state) {
    const double dx = x - lastMouse.x, dy = y - lastMouse.y;
    lastMouse = {x, y};
    CDrawTools& tools = batch.drawTools;
    switch (state) {
        case MouseLeft:
            tools.originX += dx;
            tools.originY += dy;
            return {.projection = true};
        case MouseRight:
            tools.rotation -= 2 * (dx / 360) * 3.1416;
            tools.tilt -= 2 * ((dy / 2) / 360) * 3.1416;
            tools.UpdateTilt();
            return {.projection = true};
        case MouseLeft | MouseShift:
            Add(batch.xOffset, dx / 10);
            Add(batch.yOffset, -dy / 10);
            return {.offsets = true};
        case MouseRight | MouseShift: {
            // A drag wraps the azimuth only beyond 359, unlike the keys.
            double azimuth = LoadShared(batch.azimuthOffset) - dx / 2;
            if (azimuth < 0) azimuth = 359;
            if (azimuth > 359) azimuth = 0;
            StoreShared(batch.azimuthOffset, azimuth);
            double declination = LoadShared(batch.declinationOffset) - dy / 5;
            if (declination <= 0) declination = 0;
            if (declination > 89) declination = 89;
            StoreShared(batch.declinationOffset, declination);
            return {.offsets = true};
        }
        default: return {};
    }
}

CViewEffect CModelViewInput::MiddleClick(CBatch& batch) const {
    batch.drawTools.ResetView(false);
    return {.projection = true};
}

}  // namespace brelix
