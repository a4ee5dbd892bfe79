#pragma once
// The civil time in which the almanac counts its days: Tokyo mean time (UTC+9:18:59, the
// mean solar time of the old observatory in Tokyo, in which the almanacs of 1873..1887 were
// reckoned) before 1888-01-01, when the law fixing Japan Standard Time (UTC+9) took effect,
// and Japan Standard Time from then on. Every day that an event decides (a solar term, a
// seasonal day, the first day of a lunar month, an equinox holiday) is the civil day that
// contains the event's instant.
//
// Instants ("jstDays") are days on the unbroken day-number line in Japan Standard Time, as
// in Ephemeris.h: 0 = 1899-12-30 0h JST.

#include <cstdint>

// Tokyo mean time is 18 min 59 s ahead of Japan Standard Time.
constexpr double TokyoMeanTimeAheadSeconds = 18 * 60 + 59;

// The first day counted in Japan Standard Time (1888-01-01).
int32_t FirstStandardTimeDay();
// The instant (jstDays) at which civil day `day` begins: 0h JST from 1888-01-01 on, 0h
// Tokyo mean time (23:41:01 JST of the day before) before.
double CivilMidnightInstant(int32_t day);
// The civil day that contains the instant `jstDays`. Tokyo mean time holds until 0h JST of
// 1888-01-01, so that day of the change is 18 min 59 s longer than others.
int32_t CivilDayOfInstant(double jstDays);
