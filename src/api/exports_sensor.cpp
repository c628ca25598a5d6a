// Exports: sensor control, registers, serial ROM and the I/O port.
#include "ReziveSdk.h"
#include "api/dispatch.h"

using rezive::CRezive;
using rezive::Dispatch;

RZ_API int32_t Rezive_SetRealExposureTime(RzHandle handle, int32_t milliseconds) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetRealExposureTime(milliseconds); });
}
RZ_API int32_t Rezive_GetRealExposureTime(RzHandle handle, int32_t* ok) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetRealExposureTime(ok); });
}
RZ_API int32_t Rezive_SetMirrorH(RzHandle handle, int32_t on) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetMirrorH(on); });
}
RZ_API int32_t Rezive_GetMirrorH(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.GetMirrorH(); });
}
RZ_API int32_t Rezive_SetMirrorV(RzHandle handle, int32_t on) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetMirrorV(on); });
}
RZ_API int32_t Rezive_GetMirrorV(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.GetMirrorV(); });
}
RZ_API int32_t Rezive_SetAutoIris(RzHandle handle, int32_t mode) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetAutoIris(mode); });
}
RZ_API int32_t Rezive_GetAutoIris(RzHandle handle, int32_t* ok) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetAutoIris(ok); });
}
RZ_API int32_t Rezive_ReadRegister(RzHandle handle, int32_t address, int32_t* ok) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.ReadRegister(address & 0xFF, ok); });
}
RZ_API int32_t Rezive_ReadRegisterEx(RzHandle handle, int32_t address, int32_t* ok) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.ReadRegister(address, ok); });
}
RZ_API int32_t Rezive_WriteRegister(RzHandle handle, int32_t address, int32_t value) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.WriteRegister(address & 0xFF, value); });
}
RZ_API int32_t Rezive_WriteRegisterEx(RzHandle handle, int32_t address, int32_t value) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.WriteRegister(address, value); });
}
RZ_API int32_t Rezive_ReadSromID(RzHandle handle, int32_t index, int32_t* ok) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.ReadSromID(index, ok); });
}
RZ_API int32_t Rezive_WriteSromID(RzHandle handle, int32_t index, int32_t value) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.WriteSromID(index, value); });
}
RZ_API int32_t Rezive_GetIOPort(RzHandle handle, uint8_t* value, int32_t, int32_t) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetIOPort(value); });
}
RZ_API int32_t Rezive_SetIOPort(RzHandle handle, int32_t value) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetIOPort(value); });
}
