// ComponentTest.cpp - the extension-unit component as a client meets it:
// created through COM from the registered simcam.dll, listing and opening
// cameras, bound transfers, fault injection and the call log, all through
// the DLL's control API.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/CameraFixture.h"
#include "ComCreate.h"
#include "SimCamControl.h"
#include "model/SimCamDefaults.h"
#include "ComponentChild.h"
#include "common/DebuggerRun.h"
#include "component/XUComponent.h"

// The component's identifiers (simcam.dll keeps its own copies inside).
const CLSID CLSID_SimVMDevice = {0xA917C758, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const IID IID_ISimVMDevice = {0xA917C759, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const CLSID CLSID_SimXUVMControl = {0xA917C75A, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const IID IID_ISimXUVMControl = {0xA917C75B, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};

namespace {

const WCHAR kDefaultPath[] =
    L"\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#6&2f3a8c1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

const char kThreeCameras[] =
    "[camera]\nname = First\n"
    "[camera]\nname = Unplugged\npresent = no\n"
    "[camera]\nname = Third\nrecord_prefix = @x:\nfirmware = 4\nfirmware_date = 9.1.2\n"
    "[camera]\nname = Fourth\n";

// One simulated session: both objects created through COM, the default
// scenario loaded, the log empty.
class Component : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_EQ(S_OK, CreateComObject(CLSID_SimVMDevice, IID_ISimVMDevice, m_pDevice));
        ASSERT_EQ(S_OK, CreateComObject(CLSID_SimXUVMControl, IID_ISimXUVMControl, m_pControl));
        m_camera.ClearLog();
    }
    void TearDown() override {
        m_pControl.Clear();
        m_pDevice.Clear();
        CameraTest::TearDown();
    }

    // Lists the cameras and opens and binds the one at record index.
    void OpenAndBind(ULONG ulRecord) {
        SimDeviceRecord records[10] = {};
        ULONG ulCount = 0;
        ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
        ASSERT_LT(ulRecord, ulCount);
        ComPtr<IUnknown> pObject;
        ULONG ulValue = 0;
        ASSERT_EQ(S_OK, m_pDevice->OpenDevice(records[ulRecord].pszDeviceString,
                                              SysStringLen(records[ulRecord].bstrFriendlyName), &pObject, &ulValue));
        ASSERT_TRUE(pObject);
        EXPECT_EQ(S_OK, m_pControl->BindDeviceValue(ulValue));
        EXPECT_EQ(S_OK, m_pControl->BindDeviceObject(pObject.Get()));
    }

    HRESULT WriteSensor(WORD address, BYTE value) {
        BYTE packet[9] = {0x79,  2, 1, static_cast<BYTE>(address & 0xFF), static_cast<BYTE>(address >> 8), 0,
                          value, 0, 0};
        HRESULT hr = m_pControl->WriteChipRegister(SIM_CHIP_ANNOUNCE, 9);
        return hr != S_OK ? hr : m_pControl->SetXUControl(SIM_XU_SENSOR, 9, packet);
    }

    int ReadSensor(WORD address) {
        BYTE packet[9] = {0x78, 2, 1, static_cast<BYTE>(address & 0xFF), static_cast<BYTE>(address >> 8), 0, 0, 0, 0};
        if (m_pControl->WriteChipRegister(SIM_CHIP_ANNOUNCE, 9) != S_OK) return -1;
        if (m_pControl->SetXUControl(SIM_XU_SENSOR, 9, packet) != S_OK) return -1;
        if (m_pControl->GetXUControl(SIM_XU_SENSOR, 9, packet) != S_OK) return -1;
        return packet[6];
    }

    static SimLogEntry LogAt(DWORD index) {
        SimLogEntry entry = {};
        EXPECT_TRUE(SimLogRead(index, &entry)) << index;
        return entry;
    }

    ComPtr<ISimVMDevice> m_pDevice;
    ComPtr<ISimXUVMControl> m_pControl;
};

TEST(ComponentServer, ClassesAreRegisteredInProcessForBothModels) {
    for (const CLSID *pClsid : {&CLSID_SimVMDevice, &CLSID_SimXUVMControl}) {
        WCHAR szClsid[64];
        ASSERT_NE(0, StringFromGUID2(*pClsid, szClsid, 64));
        std::wstring key = std::wstring(L"CLSID\\") + szClsid + L"\\InprocServer32";
        WCHAR szValue[MAX_PATH] = {};
        DWORD cb = sizeof(szValue);
        ASSERT_EQ(ERROR_SUCCESS,
                  RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, szValue, &cb));
        std::wstring path(szValue);
        ASSERT_GE(path.size(), 10u);
        EXPECT_EQ(0, _wcsicmp(path.c_str() + path.size() - 10, L"simcam.dll")) << path;
        cb = sizeof(szValue);
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"ThreadingModel", RRF_RT_REG_SZ, nullptr,
                                              szValue, &cb));
        EXPECT_STREQ(L"Both", szValue);
    }
}

TEST(ComponentServer, FactoryHandsOutTheRequestedInterfaceAndHoldsTheServer) {
    HMODULE hModule = GetModuleHandleW(L"simcam.dll");
    ASSERT_NE(nullptr, hModule);
    typedef HRESULT(STDAPICALLTYPE * CanUnloadFn)();
    CanUnloadFn pfnCanUnload =
        reinterpret_cast<CanUnloadFn>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, pfnCanUnload);
    ASSERT_EQ(S_OK, pfnCanUnload());

    IClassFactory *pFactory = nullptr;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_SimXUVMControl, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void **>(&pFactory)));
    IUnknown *pOuter = reinterpret_cast<IUnknown *>(pFactory);
    void *pv = reinterpret_cast<void *>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, pFactory->CreateInstance(pOuter, IID_IUnknown, &pv));
    EXPECT_EQ(nullptr, pv);
    EXPECT_EQ(E_NOINTERFACE, pFactory->CreateInstance(nullptr, IID_ISimVMDevice, &pv));
    EXPECT_EQ(nullptr, pv);

    IUnknown *pUnknown = nullptr;
    ASSERT_EQ(S_OK, pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&pUnknown)));
    EXPECT_EQ(S_OK, pFactory->LockServer(TRUE));
    pFactory->Release();
    EXPECT_EQ(S_FALSE, pfnCanUnload());

    ISimXUVMControl *pControl = nullptr;
    ASSERT_EQ(S_OK, pUnknown->QueryInterface(IID_ISimXUVMControl, reinterpret_cast<void **>(&pControl)));
    IUnknown *pIdentity = nullptr;
    ASSERT_EQ(S_OK, pControl->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&pIdentity)));
    EXPECT_EQ(pUnknown, pIdentity);
    EXPECT_EQ(E_NOINTERFACE, pControl->QueryInterface(IID_ISimVMDevice, &pv));
    EXPECT_EQ(E_NOINTERFACE, pControl->QueryInterface(IID_IClassFactory, &pv));
    // The slots nobody calls are there and refuse politely.
    EXPECT_EQ(E_NOTIMPL, pControl->Reserved3());
    EXPECT_EQ(E_NOTIMPL, pControl->Reserved8());
    EXPECT_EQ(E_NOTIMPL, pControl->Reserved13());
    EXPECT_EQ(E_NOTIMPL, pControl->Reserved20());
    pIdentity->Release();
    pControl->Release();
    EXPECT_EQ(0u, pUnknown->Release());

    EXPECT_EQ(S_FALSE, pfnCanUnload());  // the server lock
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_SimXUVMControl, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void **>(&pFactory)));
    EXPECT_EQ(S_OK, pFactory->LockServer(FALSE));
    pFactory->Release();
    EXPECT_EQ(S_OK, pfnCanUnload());
}

TEST_F(Component, EnumerationListsPresentCamerasWithinCapacity) {
    SimDeviceRecord records[10] = {};
    ULONG ulCount = 0;
    ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
    ASSERT_EQ(1u, ulCount);
    EXPECT_EQ(std::wstring(L"@device:pnp:") + kDefaultPath, records[0].pszDeviceString);
    EXPECT_STREQ(L"Tessaline 5MPixel Cam", records[0].bstrFriendlyName);
    EXPECT_EQ(21u, SysStringLen(records[0].bstrFriendlyName));
    EXPECT_STREQ(kDefaultPath, records[0].pszDeviceString + 12);

    ASSERT_TRUE(m_camera.Load(kThreeCameras));
    SimDeviceRecord sentinel = {reinterpret_cast<WCHAR *>(0x1234), reinterpret_cast<WCHAR *>(0x5678)};
    for (SimDeviceRecord &record : records) record = sentinel;
    ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 2));
    ASSERT_EQ(2u, ulCount);
    EXPECT_STREQ(L"First", records[0].bstrFriendlyName);
    EXPECT_STREQ(L"Third", records[1].bstrFriendlyName);
    EXPECT_EQ(0, wcsncmp(L"@x:\\\\?\\usb#", records[1].pszDeviceString, 11));
    EXPECT_EQ(sentinel.pszDeviceString, records[2].pszDeviceString);

    ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
    EXPECT_EQ(3u, ulCount);
    EXPECT_STREQ(L"Fourth", records[2].bstrFriendlyName);

    // Over-report: a larger count than records filled.
    for (SimDeviceRecord &record : records) record = sentinel;
    SimSetEnumerateOverreport(2);
    ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
    EXPECT_EQ(5u, ulCount);
    EXPECT_STREQ(L"Fourth", records[2].bstrFriendlyName);
    EXPECT_EQ(sentinel.pszDeviceString, records[3].pszDeviceString);

    EXPECT_EQ(E_POINTER, m_pDevice->EnumerateDevices(records, nullptr, 10));
    EXPECT_EQ(E_POINTER, m_pDevice->EnumerateDevices(nullptr, &ulCount, 10));
    SimLogEntry last = LogAt(SimLogCount() - 1);
    EXPECT_EQ(SIM_OP_ENUMERATE, static_cast<SimOp>(last.op));
    EXPECT_EQ(E_POINTER, last.result);
}

TEST_F(Component, OpenChecksTheRecordAndBindingSelectsTheCamera) {
    ASSERT_TRUE(m_camera.Load(kThreeCameras));
    SimDeviceRecord records[10] = {};
    ULONG ulCount = 0;
    ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
    ASSERT_EQ(3u, ulCount);
    IUnknown *pObject = reinterpret_cast<IUnknown *>(1);
    ULONG ulValue = 77;
    // The name length is that of the friendly name; the string must be the record's.
    EXPECT_EQ(E_INVALIDARG, m_pDevice->OpenDevice(records[1].pszDeviceString, 4, &pObject, &ulValue));
    WCHAR szPathOnly[300];
    ASSERT_EQ(S_OK, StringCchCopyW(szPathOnly, ARRAYSIZE(szPathOnly), records[1].pszDeviceString + 3));
    EXPECT_NE(S_OK, m_pDevice->OpenDevice(szPathOnly, 5, &pObject, &ulValue));
    EXPECT_EQ(reinterpret_cast<IUnknown *>(1), pObject);
    EXPECT_EQ(77u, ulValue);

    // Unbound, the register object reaches no camera.
    USHORT usValue = 0;
    EXPECT_EQ(E_HANDLE, m_pControl->ReadChipRegister(SIM_CHIP_GPI, &usValue));

    ASSERT_EQ(S_OK, m_pDevice->OpenDevice(records[1].pszDeviceString, 5, &pObject, &ulValue));
    // Binding by the object alone is enough; its camera is "Third" (index 2).
    EXPECT_EQ(S_OK, m_pControl->BindDeviceObject(pObject));
    pObject->Release();
    USHORT usVersion = 0;
    ASSERT_EQ(S_OK, m_pControl->ReadInfoValue(SIM_INFO_BUS_ADDRESS, 153, &usVersion));
    EXPECT_EQ(4, usVersion);
    EXPECT_EQ(2, LogAt(SimLogCount() - 1).camera);

    // A value or an object that is not one of ours binds nothing.
    EXPECT_EQ(E_INVALIDARG, m_pControl->BindDeviceValue(0x12345678));
    EXPECT_EQ(E_INVALIDARG, m_pControl->BindDeviceObject(m_pDevice.Get()));
    EXPECT_EQ(E_INVALIDARG, m_pControl->BindDeviceObject(nullptr));
    ASSERT_EQ(S_OK, m_pControl->ReadInfoValue(SIM_INFO_BUS_ADDRESS, 150, &usVersion));
    EXPECT_EQ(9, usVersion);
}

TEST_F(Component, RegisterTrafficReachesTheBoundCamera) {
    OpenAndBind(0);
    // The library's read of the sensor ID and its write of an AF command.
    EXPECT_EQ(0x56, ReadSensor(0x300A));
    EXPECT_EQ(0x40, ReadSensor(0x300B));
    EXPECT_EQ(S_OK, WriteSensor(0x3B00, SIM_STROBE_ON));
    EXPECT_EQ(SIM_STROBE_ON, SimGetSensorRegister(0, 0x3B00));
    BYTE packet[9] = {0x79, 2, 1, 0x00, 0x3B, 0, 0, 0, 0};
    EXPECT_EQ(SIM_E_NOT_ANNOUNCED, m_pControl->SetXUControl(SIM_XU_SENSOR, 9, packet));
    EXPECT_EQ(SIM_STROBE_ON, SimGetSensorRegister(0, 0x3B00));

    BYTE id[4] = {};
    ASSERT_EQ(S_OK, m_pControl->GetXUControl(SIM_XU_CHIP_ID, 4, id));
    EXPECT_EQ(0x17, id[3]);

    USHORT usValue = 0xFFFF;
    ASSERT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    EXPECT_EQ(SIM_SENSOR_STATE_READY, usValue);
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    ASSERT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    EXPECT_EQ(3, usValue);
    ASSERT_EQ(1, SimHoldSensorState(0, -1));

    const USHORT kInfo[4] = {13, 5, 21, 7};
    for (USHORT i = 0; i < 4; ++i) {
        USHORT usInfo = 0;
        ASSERT_EQ(S_OK, m_pControl->ReadInfoValue(SIM_INFO_BUS_ADDRESS, static_cast<USHORT>(150 + i), &usInfo));
        EXPECT_EQ(kInfo[i], usInfo);
    }
    usValue = 0x5555;
    EXPECT_LT(m_pControl->ReadInfoValue(SIM_INFO_BUS_ADDRESS, 154, &usValue), 0);
    EXPECT_LT(m_pControl->ReadInfoValue(161, 153, &usValue), 0);
    EXPECT_EQ(0x5555, usValue);

    // Strobe output and state snapshot.
    EXPECT_EQ(S_OK, m_pControl->WriteChipRegister(SIM_CHIP_GPO8, SIM_GPO8_ON));
    SimCameraState state = {};
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(1, state.strobeOutput);
    EXPECT_EQ(1, state.strobeLed);
    EXPECT_EQ(7, state.firmwareVersion);
    EXPECT_EQ(SIM_AF_STATE_MANUAL, state.focusState);
    EXPECT_STREQ(kDefaultPath, state.devicePath);
}

TEST_F(Component, FlashChangeLatchesTheInputUntilWrittenBack) {
    OpenAndBind(0);
    USHORT usValue = 0xFFFF;
    ASSERT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_GPI, &usValue));
    EXPECT_EQ(0, usValue);
    ASSERT_EQ(1, SimSetFlash(0, 0));
    ASSERT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_GPI, &usValue));
    EXPECT_EQ(3, usValue);
    // What the library does after reading: write back with bit 0 cleared.
    ASSERT_EQ(S_OK, m_pControl->WriteChipRegister(SIM_CHIP_GPI, static_cast<USHORT>(usValue & ~1)));
    ASSERT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_GPI, &usValue));
    EXPECT_EQ(2, usValue);
    EXPECT_EQ(2, SimGetChipRegister(0, SIM_CHIP_GPI));
    ASSERT_EQ(1, SimSetFlash(0, 0));  // no change, no latch
    EXPECT_EQ(2, SimGetChipRegister(0, SIM_CHIP_GPI));
    ASSERT_EQ(1, SimSetFlash(0, 1));
    EXPECT_EQ(1, SimGetChipRegister(0, SIM_CHIP_GPI));
}

TEST_F(Component, FaultOnTheNthCallOnly) {
    OpenAndBind(0);
    ASSERT_EQ(1, SimInjectFault(SIM_OP_READ_CHIP, 2, E_FAIL));
    USHORT usValue = 0xAAAA;
    EXPECT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    EXPECT_EQ(4, usValue);
    usValue = 0xAAAA;
    EXPECT_EQ(E_FAIL, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    EXPECT_EQ(0xAAAA, usValue);  // nothing written by a failed call
    EXPECT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));

    // nth 0: every call from now on, until the faults are cleared. The
    // failing write leaves the sensor untouched.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_SET_XU, 0, static_cast<LONG>(0x80070079)));
    EXPECT_EQ(static_cast<HRESULT>(0x80070079), WriteSensor(0x5000, 1));
    EXPECT_EQ(static_cast<HRESULT>(0x80070079), WriteSensor(0x5000, 2));
    EXPECT_EQ(0, SimGetSensorRegister(0, 0x5000));
    SimClearFaults();
    EXPECT_EQ(S_OK, WriteSensor(0x5000, 3));
    EXPECT_EQ(3, SimGetSensorRegister(0, 0x5000));

    EXPECT_EQ(0, SimInjectFault(SIM_OP_NONE, 0, E_FAIL));
    EXPECT_EQ(0, SimInjectFault(SIM_OP_COUNT, 0, E_FAIL));
    EXPECT_EQ(0, SimInjectFault(SIM_OP_OPEN, -1, E_FAIL));
}

TEST_F(Component, CreationFaultsReachCoCreateInstance) {
    ASSERT_EQ(1, SimInjectFault(SIM_OP_CREATE_XUCONTROL, 1, E_OUTOFMEMORY));
    IUnknown *pUnknown = reinterpret_cast<IUnknown *>(1);
    EXPECT_EQ(E_OUTOFMEMORY, CoCreateInstance(CLSID_SimXUVMControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                              reinterpret_cast<void **>(&pUnknown)));
    EXPECT_EQ(nullptr, pUnknown);
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SimXUVMControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void **>(&pUnknown)));
    pUnknown->Release();

    // A succeeding code other than S_OK comes with the object (straight from
    // the factory: Wine's CoCreateInstance turns it into S_OK).
    ASSERT_EQ(1, SimInjectFault(SIM_OP_CREATE_VMDEVICE, 1, S_FALSE));
    IClassFactory *pFactory = nullptr;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_SimVMDevice, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void **>(&pFactory)));
    pUnknown = nullptr;
    EXPECT_EQ(S_FALSE, pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&pUnknown)));
    pFactory->Release();
    ASSERT_NE(nullptr, pUnknown);
    pUnknown->Release();

    ASSERT_EQ(3u, SimLogCount());
    EXPECT_EQ(SIM_OP_CREATE_XUCONTROL, static_cast<SimOp>(LogAt(0).op));
    EXPECT_EQ(E_OUTOFMEMORY, LogAt(0).result);
    EXPECT_EQ(S_OK, LogAt(1).result);
    EXPECT_EQ(SIM_OP_CREATE_VMDEVICE, static_cast<SimOp>(LogAt(2).op));
    EXPECT_EQ(S_FALSE, LogAt(2).result);
}

TEST_F(Component, LogRecordsEveryCallInOrder) {
    OpenAndBind(0);
    ASSERT_EQ(4u, SimLogCount());
    const SimOp kOpen[4] = {SIM_OP_ENUMERATE, SIM_OP_OPEN, SIM_OP_BIND_VALUE, SIM_OP_BIND_OBJECT};
    for (DWORD i = 0; i < 4; ++i) {
        SimLogEntry entry = LogAt(i);
        EXPECT_EQ(i + 1, entry.seq);
        EXPECT_EQ(kOpen[i], static_cast<SimOp>(entry.op));
        EXPECT_EQ(GetCurrentThreadId(), entry.threadId);
        EXPECT_EQ(S_OK, entry.result);
    }
    EXPECT_EQ(-1, LogAt(0).camera);
    EXPECT_EQ(10u, LogAt(0).arg[0]);  // capacity
    EXPECT_EQ(1u, LogAt(0).arg[1]);   // count
    EXPECT_EQ(0, LogAt(1).camera);
    EXPECT_EQ(21u, LogAt(1).arg[0]);
    EXPECT_EQ(LogAt(1).arg[1], LogAt(2).arg[0]);  // the device value, passed on

    SimLogClear();
    EXPECT_EQ(0u, SimLogCount());
    ASSERT_EQ(0x56, ReadSensor(0x300A));
    DWORD dwOtherThread = 0;
    std::thread worker([&] {
        dwOtherThread = GetCurrentThreadId();
        (void)m_pControl->WriteChipRegister(SIM_CHIP_GPO8, SIM_GPO8_OFF);
    });
    worker.join();

    ASSERT_EQ(4u, SimLogCount());
    SimLogEntry announce = LogAt(0);
    EXPECT_EQ(1u, announce.seq);
    EXPECT_EQ(SIM_OP_WRITE_CHIP, static_cast<SimOp>(announce.op));
    EXPECT_EQ(0x8102u, announce.arg[0]);
    EXPECT_EQ(9u, announce.arg[1]);
    EXPECT_EQ(0, announce.camera);

    SimLogEntry set = LogAt(1);
    EXPECT_EQ(SIM_OP_SET_XU, static_cast<SimOp>(set.op));
    EXPECT_EQ(16u, set.arg[0]);
    EXPECT_EQ(9u, set.arg[1]);
    ASSERT_EQ(9u, set.dataLen);
    const BYTE kSent[9] = {0x78, 2, 1, 0x0A, 0x30, 0, 0, 0, 0};
    EXPECT_EQ(0, memcmp(kSent, set.data, 9));

    SimLogEntry get = LogAt(2);
    EXPECT_EQ(SIM_OP_GET_XU, static_cast<SimOp>(get.op));
    ASSERT_EQ(9u, get.dataLen);
    EXPECT_EQ(0x56, get.data[6]);

    SimLogEntry other = LogAt(3);
    EXPECT_EQ(4u, other.seq);
    EXPECT_EQ(dwOtherThread, other.threadId);
    EXPECT_NE(GetCurrentThreadId(), other.threadId);
    EXPECT_EQ(static_cast<DWORD>(SIM_CHIP_GPO8), other.arg[0]);

    SimLogEntry beyond = {};
    EXPECT_EQ(0, SimLogRead(4, &beyond));
    EXPECT_EQ(0, SimLogRead(0, nullptr));

    // A scenario load starts afresh: no log, no faults, no over-report.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_ENUMERATE, 0, E_FAIL));
    SimSetEnumerateOverreport(3);
    SimLoadDefaultScenario();
    EXPECT_EQ(0u, SimLogCount());
    SimDeviceRecord records[10] = {};
    ULONG ulCount = 0;
    EXPECT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
    EXPECT_EQ(1u, ulCount);
}

TEST_F(Component, CallsFromManyThreadsAreLoggedWholeAndInOrder) {
    OpenAndBind(0);
    SimLogClear();
    const int kThreads = 4;
    const int kCalls = 200;
    std::thread workers[kThreads];
    DWORD threadIds[kThreads] = {};
    for (int t = 0; t < kThreads; ++t) {
        workers[t] = std::thread([&, t] {
            threadIds[t] = GetCurrentThreadId();
            for (int i = 0; i < kCalls; ++i) {
                // Each thread writes its own register, counting up.
                (void)m_pControl->WriteChipRegister(static_cast<USHORT>(0xC000 + t), static_cast<USHORT>(i));
            }
        });
    }
    for (std::thread &worker : workers) worker.join();

    ASSERT_EQ(static_cast<DWORD>(kThreads * kCalls), SimLogCount());
    int next[kThreads] = {};
    for (DWORD i = 0; i < SimLogCount(); ++i) {
        SimLogEntry entry = LogAt(i);
        ASSERT_EQ(i + 1, entry.seq);
        int t = static_cast<int>(entry.arg[0]) - 0xC000;
        ASSERT_TRUE(t >= 0 && t < kThreads) << entry.arg[0];
        EXPECT_EQ(threadIds[t], entry.threadId);
        EXPECT_EQ(static_cast<DWORD>(next[t]++), entry.arg[1]);  // each thread's calls in its order
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(kCalls - 1, SimGetChipRegister(0, static_cast<WORD>(0xC000 + t)));
    }
}

TEST_F(Component, UnpluggedCameraFailsItsSessionUntilPluggedAgain) {
    OpenAndBind(0);
    ASSERT_EQ(1, SimSetSensorNotReadyFor(0, 0));
    ASSERT_EQ(1, SimPlug(0, 0));
    USHORT usValue = 0;
    EXPECT_EQ(SIM_E_UNPLUGGED, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    SimDeviceRecord records[10] = {};
    ULONG ulCount = 7;
    ASSERT_EQ(S_OK, m_pDevice->EnumerateDevices(records, &ulCount, 10));
    EXPECT_EQ(0u, ulCount);

    ASSERT_EQ(1, SimPlug(0, 1));
    EXPECT_EQ(S_OK, m_pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    EXPECT_EQ(SIM_SENSOR_STATE_READY, usValue);
    SimCameraState state = {};
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(1, state.present);
    EXPECT_EQ(40, state.lensPosition);  // powered up afresh
}

class CrossProcess : public CameraTest {};

TEST_F(CrossProcess, AnotherProcessSharesTheCameras) {
    ASSERT_EQ(1, SimSetSensorRegister(0, kCrossProcessProbe, kCrossProcessParentValue));
    WCHAR szProgram[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, szProgram, MAX_PATH));
    WCHAR szCommand[MAX_PATH + 32];
    ASSERT_EQ(S_OK, StringCchPrintfW(szCommand, ARRAYSIZE(szCommand), L"\"%s\" %S", szProgram, kCrossProcessChildArg));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    DWORD dwExit = 99;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &dwExit));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(0u, dwExit);  // the child saw our value
    EXPECT_EQ(kCrossProcessChildValue, SimGetSensorRegister(0, kCrossProcessProbe));
}

// Runs the state-unavailable child in the given instance under this process
// as its debugger: the plain way to read simcam's lines.
DebuggerRunResult RunStateUnavailableChild(const std::wstring &instance) {
    WCHAR szOwnInstance[128] = L"";
    DWORD cchOwn = GetEnvironmentVariableW(L"SIMCAM_INSTANCE", szOwnInstance, ARRAYSIZE(szOwnInstance));
    (void)SetEnvironmentVariableW(L"SIMCAM_INSTANCE", instance.c_str());
    std::string arg(kStateUnavailableChildArg);
    DebuggerRunResult result =
        RunUnderDebugger(L"\"" + CurrentProgramPath() + L"\" " + std::wstring(arg.begin(), arg.end()), 60000);
    (void)SetEnvironmentVariableW(L"SIMCAM_INSTANCE",
                                  cchOwn > 0 && cchOwn < ARRAYSIZE(szOwnInstance) ? szOwnInstance : nullptr);
    return result;
}

// How many lines begin with prefix.
size_t LinesStartingWith(const std::vector<std::wstring> &lines, const std::wstring &prefix) {
    size_t cLines = 0;
    for (const std::wstring &line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) ++cLines;
    }
    return cLines;
}

// A state that cannot be mapped fails whatever needs it, and says why.
TEST(StateUnavailable, NameTakenByAnotherObjectFailsEveryCallWithItsReason) {
    const std::wstring instance = L"simcam_component_test.blocked";
    // An event holds the name the state's mapping would take.
    HANDLE hBlocker = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\SimCamState." + instance).c_str());
    ASSERT_NE(nullptr, hBlocker);
    DebuggerRunResult result = RunStateUnavailableChild(instance);
    CloseHandle(hBlocker);
    ASSERT_TRUE(result.bStarted);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(0u, result.dwExitCode) << "a call without the state did not fail";
    // ERROR_INVALID_HANDLE: the name belongs to an object of another type.
    EXPECT_EQ(1u, LinesStartingWith(result.lines, L"simcam: create the camera state mapping failed: 0x80070006 "));
    EXPECT_GE(LinesStartingWith(result.lines, L"simcam: use the camera state failed: 0x80070006 "), 2u);
    for (const std::wstring &line : result.lines) {
        EXPECT_EQ(L"\r\n", line.substr(line.size() - 2)) << std::string(line.begin(), line.end());
    }
}

TEST(StateUnavailable, InstanceNameTooLongIsNotTakenForTheDefault) {
    DebuggerRunResult result = RunStateUnavailableChild(std::wstring(100, L'x'));
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(0u, result.dwExitCode) << "the default state was used instead";
    // ERROR_FILENAME_EXCED_RANGE.
    EXPECT_EQ(1u, LinesStartingWith(result.lines,
                                    L"simcam: read SIMCAM_INSTANCE for the camera state failed: "
                                    L"0x800700ce "));
}

class ControlApi : public CameraTest {};

TEST_F(ControlApi, BadIndexesAndArguments) {
    EXPECT_EQ(1, SimCameraCount());
    EXPECT_EQ(0, SimSetSensorRegister(1, 0x3000, 1));
    EXPECT_EQ(-1, SimGetSensorRegister(-1, 0x3000));
    EXPECT_EQ(-1, SimGetChipRegister(SIMCAM_MAX_CAMERAS, 0x8107));
    EXPECT_EQ(0, SimSetInfoValue(0, 149, 1));
    EXPECT_EQ(0, SimHoldSensorState(0, 0x10000));
    EXPECT_EQ(0, SimHoldFocusState(0, 0x100));
    EXPECT_EQ(0, SimGetCameraState(0, nullptr));
    EXPECT_EQ(0, SimPlug(3, 1));
    const BYTE kId[4] = {1, 2, 3, 0x99};
    EXPECT_EQ(0, SimSetXUControlBytes(0, SIM_XU_CHIP_ID, kId, 5));
    EXPECT_EQ(1, SimSetXUControlBytes(0, SIM_XU_CHIP_ID, kId, 4));
    EXPECT_EQ(1, SimSetInfoValue(0, 153, 5));
    SimCameraState state = {};
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(5, state.firmwareVersion);
}

TEST_F(ControlApi, ScenarioFilesAndErrors) {
    WCHAR szDir[MAX_PATH];
    WCHAR szFile[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, szDir));
    ASSERT_NE(0u, GetTempFileNameW(szDir, L"scn", 0, szFile));
    const char kText[] = "\xEF\xBB\xBF[camera]\r\nname = From File\r\n[camera]\r\n";
    HANDLE hFile = CreateFileW(szFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    DWORD cbWritten = 0;
    ASSERT_TRUE(WriteFile(hFile, kText, sizeof(kText) - 1, &cbWritten, nullptr));
    CloseHandle(hFile);

    ASSERT_EQ(1, SimLoadScenarioFile(szFile)) << SimLastError();
    EXPECT_EQ(2, SimCameraCount());
    SimCameraState state = {};
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_STREQ(L"From File", state.name);
    DeleteFileW(szFile);

    EXPECT_EQ(0, SimLoadScenarioFile(szFile));
    EXPECT_STREQ("cannot open the scenario file", SimLastError());
    EXPECT_EQ(2, SimCameraCount());
    EXPECT_EQ(0, SimLoadScenarioText("[camera]\nflash = perhaps\n"));
    EXPECT_STREQ("line 2: expected yes or no, not 'perhaps'", SimLastError());
    EXPECT_EQ(0, SimLoadScenarioText(nullptr));
    EXPECT_EQ(2, SimCameraCount());
    SimLoadDefaultScenario();
    EXPECT_EQ(1, SimCameraCount());
}

}  // namespace
