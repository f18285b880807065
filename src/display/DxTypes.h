// The DirectX 7 structures the enumeration keeps. The Win32 build takes them
// from the SDK headers; the portable build mirrors the fields it reads, with the
// 32-bit layout, so the same logic compiles and is tested on Linux.
#pragma once

#include "common/WinTypes.h"

#ifdef _WIN32
#include <ddraw.h>
#include <d3d.h>
#else
#include <cstdint>

constexpr uint32_t D3DDEVCAPS_HWRASTERIZATION = 0x00080000;
constexpr uint32_t DDBD_16 = 0x00000400;
constexpr uint32_t DDBD_24 = 0x00000200;
constexpr uint32_t DDBD_32 = 0x00000100;

struct DDPIXELFORMAT {
    uint32_t dwSize;
    uint32_t dwFlags;
    uint32_t dwFourCC;
    uint32_t dwRGBBitCount;
    uint32_t dwRBitMask;
    uint32_t dwGBitMask;
    uint32_t dwBBitMask;
    uint32_t dwRGBAlphaBitMask;
};

struct DDSURFACEDESC2 {
    uint32_t dwSize;
    uint32_t dwFlags;
    uint32_t dwHeight;
    uint32_t dwWidth;
    int32_t lPitch;
    uint32_t dwBackBufferCount;
    uint32_t dwRefreshRate;
    uint32_t dwAlphaBitDepth;
    uint32_t dwReserved;
    uint32_t lpSurface;           // a 32-bit pointer in the real layout
    uint32_t ddckCKDestOverlay[2];
    uint32_t ddckCKDestBlt[2];
    uint32_t ddckCKSrcOverlay[2];
    uint32_t ddckCKSrcBlt[2];
    DDPIXELFORMAT ddpfPixelFormat;
    uint32_t ddsCaps[4];
    uint32_t dwTextureStage;
};

struct D3DDEVICEDESC7 {
    uint32_t dwDevCaps;
    uint8_t dpcLineCaps[56];
    uint8_t dpcTriCaps[56];
    uint32_t dwDeviceRenderBitDepth;
    uint32_t dwDeviceZBufferBitDepth;
    uint32_t dwMinTextureWidth, dwMinTextureHeight;
    uint32_t dwMaxTextureWidth, dwMaxTextureHeight;
    uint32_t dwMaxTextureRepeat;
    uint32_t dwMaxTextureAspectRatio;
    uint32_t dwMaxAnisotropy;
    float dvGuardBandLeft, dvGuardBandTop, dvGuardBandRight, dvGuardBandBottom;
    float dvExtentsAdjust;
    uint32_t dwStencilCaps;
    uint32_t dwFVFCaps;
    uint32_t dwTextureOpCaps;
    uint16_t wMaxTextureBlendStages;
    uint16_t wMaxSimultaneousTextures;
    uint32_t dwMaxActiveLights;
    float dvMaxVertexW;
    GUID deviceGUID;
    uint16_t wMaxUserClipPlanes;
    uint16_t wMaxVertexBlendMatrices;
    uint32_t dwVertexProcessingCaps;
    uint32_t dwReserved1, dwReserved2, dwReserved3, dwReserved4;
};

struct DDCAPS {
    uint32_t dwSize;
    uint8_t rest[376];
};
#endif

#ifndef _WIN64  // the 32-bit layout, which the portable build mirrors
static_assert(sizeof(DDCAPS) == 380, "DirectX 7 DDCAPS");
static_assert(sizeof(DDSURFACEDESC2) == 124, "DirectX 7 DDSURFACEDESC2");
#endif
