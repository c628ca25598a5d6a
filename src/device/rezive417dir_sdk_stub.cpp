// Placeholder model object: no device layer yet, so no model object can be made and every
// camera operation that needs one reports error 1.
#include <memory>

#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"

namespace rezive {

std::unique_ptr<CRezive417DIRVUDSdk> CreateModelObject() { return nullptr; }

CRezive417DIRVUDSdk::CRezive417DIRVUDSdk() = default;
CRezive417DIRVUDSdk::~CRezive417DIRVUDSdk() = default;
int32_t CRezive417DIRVUDSdk::Open(int32_t) { return 22; }
void CRezive417DIRVUDSdk::ProbeDevices() {}
bool CRezive417DIRVUDSdk::IsDevicePresent(int32_t) const { return false; }
int32_t CRezive417DIRVUDSdk::SelectedDevice() const { return 0; }
int32_t CRezive417DIRVUDSdk::SetWindow(int32_t, int32_t, int32_t, int32_t, int32_t) { return 1; }
int32_t CRezive417DIRVUDSdk::SetExposure(int32_t) { return 1; }
int32_t CRezive417DIRVUDSdk::GetExposure(int32_t* lines) { if (lines) *lines = 0; return 1; }
int32_t CRezive417DIRVUDSdk::SetGainIndex(int32_t) { return 1; }
int32_t CRezive417DIRVUDSdk::GetGainIndex() { return 0; }
int32_t CRezive417DIRVUDSdk::SetMirrorH(int32_t) { return 0; }
int32_t CRezive417DIRVUDSdk::SetMirrorV(int32_t) { return 0; }
int32_t CRezive417DIRVUDSdk::GetMirrorH() const { return 0; }
int32_t CRezive417DIRVUDSdk::GetMirrorV() const { return 0; }
int32_t CRezive417DIRVUDSdk::SetTriggerMode(bool) { return 0; }
int32_t CRezive417DIRVUDSdk::SetClock(int32_t) { return 0; }
int32_t CRezive417DIRVUDSdk::GetClock(int32_t*) { return 0; }
int32_t CRezive417DIRVUDSdk::SetSampleWidth(bool) { return 0; }
int32_t CRezive417DIRVUDSdk::ApplySromVariant(int32_t) { return 0; }
int32_t CRezive417DIRVUDSdk::WriteSensorRegister(int32_t, int32_t) { return 0; }
int32_t CRezive417DIRVUDSdk::ReadSensorRegister(int32_t, int32_t* v) { if (v) *v = 0; return 0; }
int32_t CRezive417DIRVUDSdk::WritePort(int32_t, int32_t) { return 0; }
int32_t CRezive417DIRVUDSdk::ReadPort(int32_t, int32_t* v) { if (v) *v = 0; return 0; }
int32_t CRezive417DIRVUDSdk::ReadSrom(int32_t, int32_t*) { return 0; }
int32_t CRezive417DIRVUDSdk::ReadSromId(int32_t, int32_t*) { return 0; }
int32_t CRezive417DIRVUDSdk::WriteSromId(int32_t, int32_t) { return 0; }
void CRezive417DIRVUDSdk::SetTransferTimeout(int32_t) {}
int32_t CRezive417DIRVUDSdk::StartStreaming() { return 0; }
int32_t CRezive417DIRVUDSdk::StopStreaming() { return 0; }
int32_t CRezive417DIRVUDSdk::WaitFrame() { return 0; }
int32_t CRezive417DIRVUDSdk::DecodeNewest(uint8_t*) { return 14; }
int32_t CRezive417DIRVUDSdk::TransferSingleFrame() { return 10; }
void CRezive417DIRVUDSdk::CloseSingleFrame() {}
int32_t CRezive417DIRVUDSdk::DecodeSingleFrame(uint8_t*) { return 14; }

}  // namespace rezive
