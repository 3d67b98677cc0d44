// The areas of the data-transfer set-up: conversion factors to the transfer program's own
// units and its single-precision buffer of pure-component data.
#pragma once

#include <array>
#include <cstdint>

#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace problem {

// UXCTL: the transfer factors, single precision.
struct TransferFactors {
  float temperatureFactor = 0.0f;
  float temperatureOffset = 0.0f;
  float pressureOffset = 0.0f;
  float pressureFactor = 0.0f;
  float class8 = 0.0f;
  float class12 = 0.0f;
  float class7 = 0.0f;
  float class16 = 0.0f;
  float class17 = 0.0f;
  float class26 = 0.0f;
  float class40 = 0.0f;
  float class42 = 0.0f;
  float class35 = 0.0f;
  float molarVolume = 0.0f;
  float density = 0.0f;
  float class26Transfer = 0.0f;
  std::array<float, 7> constants{};
};
extern TransferFactors UXCTL;

// Components the transfer buffer holds.
inline constexpr std::int32_t kTransferComponents = 50;

// XFRBUF: the transfer buffer, one entry per component in each array.
struct TransferBuffer {
  using Reals = services::OneBased<float, kTransferComponents>;
  services::OneBased<std::int32_t, kTransferComponents> first;  // always 0
  Reals molecularWeight;
  Reals boilingPoint;         // in the transfer set
  Reals density;              // times the density factor
  Reals criticalTemperature;  // in the transfer set, plus the temperature offset
  Reals criticalPressure;     // in the transfer set, plus the pressure offset
  Reals criticalVolume;       // times 1000
  Reals criticalCompressibility;
  Reals acentricFactor;
  Reals heatOfFormation;      // class 28 in the transfer set, divided by 1000
  Reals freeEnergyOfFormation;
  Reals code;                 // the component code's bits as a real
  std::array<std::int32_t, 5> trailing{};
  std::array<services::FixedText<12>, 3> texts;
};
extern TransferBuffer XFRBUF;

}  // namespace problem
