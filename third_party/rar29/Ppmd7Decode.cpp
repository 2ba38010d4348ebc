/* Ppmd7.c -- PPMdH codec
2010-03-12 : Igor Pavlov : Public domain
This code is based on PPMd var.H (2001): Dmitry Shkarin : Public domain */
// Symbol decoding with RAR's range decoder. Adapted from libarchive 3.6.2
// (archive_ppmd7.c); see Ppmd7.h.

#include "third_party/rar29/CRar29BitReader.h"
#include "third_party/rar29/Ppmd7Internal.h"

#include <cstring>

static const Byte PPMD7_kExpEscape[16] = { 25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2 };

/* ---------- Decode ---------- */

/* Bytes the range decoder may read past the end of the packed data (its look-ahead). */
#define RANGE_DEC_SLACK 4

static Byte Range_ReadByte(CPpmdRAR_RangeDec *p)
{
  return p->Bits->ByteWithSlack(RANGE_DEC_SLACK);
}

Bool PpmdRAR_RangeDec_Init(CPpmdRAR_RangeDec *p)
{
  unsigned i;
  p->Code = 0;
  p->Low = 0;
  p->Range = 0xFFFFFFFF;
  p->Error = false;
  for (i = 0; i < 4; i++)
    p->Code = (p->Code << 8) | Range_ReadByte(p);
  p->Bottom = 0x8000;
  return (p->Code < 0xFFFFFFFF);
}

static UInt32 Range_GetThreshold(CPpmdRAR_RangeDec *p, UInt32 total)
{
  /* A damaged stream can leave less range than the total: report it instead of
     dividing by zero. */
  if (total == 0 || p->Range / total == 0)
  {
    p->Error = true;
    p->Range = 1;
    return 0xFFFFFFFF;
  }
  return (p->Code - p->Low) / (p->Range /= total);
}

static void Range_Normalize(CPpmdRAR_RangeDec *p)
{
  int rounds = 0;
  while (1)
  {
    if((p->Low ^ (p->Low + p->Range)) >= kTopValue)
    {
      if(p->Range >= p->Bottom)
        break;
      else
        p->Range = ((uint32_t)(-(int32_t)p->Low)) & (p->Bottom - 1);
    }
    if (++rounds > 64 || p->Range == 0)
    {
      p->Error = true;
      p->Range = p->Bottom;
      break;
    }
    p->Code = (p->Code << 8) | Range_ReadByte(p);
    p->Range <<= 8;
    p->Low <<= 8;
  }
}

static void Range_Decode_RAR(CPpmdRAR_RangeDec *p, UInt32 start, UInt32 size)
{
  p->Low += start * p->Range;
  p->Range *= size;
  Range_Normalize(p);
}

static UInt32 Range_DecodeBit_RAR(CPpmdRAR_RangeDec *p, UInt32 size0)
{
  UInt32 bit, value = Range_GetThreshold(p, PPMD_BIN_SCALE);
  if(value < size0)
  {
    bit = 0;
    Range_Decode_RAR(p, 0, size0);
  }
  else
  {
    bit = 1;
    Range_Decode_RAR(p, size0, PPMD_BIN_SCALE - size0);
  }
  return bit;
}

#define MASK(sym) ((signed char *)charMask)[sym]

int Ppmd7_DecodeSymbol(CPpmd7 *p, CPpmdRAR_RangeDec *rc)
{
  size_t charMask[256 / sizeof(size_t)];
  if (p->MinContext->NumStats != 1)
  {
    CPpmd_State *s = Ppmd7_GetStats(p, p->MinContext);
    unsigned i;
    UInt32 count, hiCnt;
    if ((count = Range_GetThreshold(rc, p->MinContext->SummFreq)) < (hiCnt = s->Freq))
    {
      Byte symbol;
      Range_Decode_RAR(rc, 0, s->Freq);
      p->FoundState = s;
      symbol = s->Symbol;
      Ppmd7_Update1_0(p);
      return symbol;
    }
    p->PrevSuccess = 0;
    i = p->MinContext->NumStats - 1;
    do
    {
      if ((hiCnt += (++s)->Freq) > count)
      {
        Byte symbol;
        Range_Decode_RAR(rc, hiCnt - s->Freq, s->Freq);
        p->FoundState = s;
        symbol = s->Symbol;
        Ppmd7_Update1(p);
        return symbol;
      }
    }
    while (--i);
    if (count >= p->MinContext->SummFreq)
      return -2;
    p->HiBitsFlag = p->HB2Flag[p->FoundState->Symbol];
    Range_Decode_RAR(rc, hiCnt, p->MinContext->SummFreq - hiCnt);
    PPMD_SetAllBitsIn256Bytes(charMask);
    MASK(s->Symbol) = 0;
    i = p->MinContext->NumStats - 1;
    do { MASK((--s)->Symbol) = 0; } while (--i);
  }
  else
  {
    UInt16 *prob = Ppmd7_GetBinSumm(p);
    if (Range_DecodeBit_RAR(rc, *prob) == 0)
    {
      Byte symbol;
      *prob = (UInt16)PPMD_UPDATE_PROB_0(*prob);
      symbol = (p->FoundState = Ppmd7Context_OneState(p->MinContext))->Symbol;
      Ppmd7_UpdateBin(p);
      return symbol;
    }
    *prob = (UInt16)PPMD_UPDATE_PROB_1(*prob);
    p->InitEsc = PPMD7_kExpEscape[*prob >> 10];
    PPMD_SetAllBitsIn256Bytes(charMask);
    MASK(Ppmd7Context_OneState(p->MinContext)->Symbol) = 0;
    p->PrevSuccess = 0;
  }
  for (;;)
  {
    CPpmd_State *ps[256], *s;
    UInt32 freqSum, count, hiCnt;
    CPpmd_See *see;
    unsigned i, num, numMasked = p->MinContext->NumStats;
    do
    {
      p->OrderFall++;
      if (!p->MinContext->Suffix)
        return -1;
      p->MinContext = Ppmd7_GetContext(p, p->MinContext->Suffix);
    }
    while (p->MinContext->NumStats == numMasked);
    hiCnt = 0;
    s = Ppmd7_GetStats(p, p->MinContext);
    i = 0;
    num = p->MinContext->NumStats - numMasked;
    do
    {
      int k = (int)(MASK(s->Symbol));
      hiCnt += (s->Freq & k);
      ps[i] = s++;
      i -= k;
    }
    while (i != num);

    see = Ppmd7_MakeEscFreq(p, numMasked, &freqSum);
    freqSum += hiCnt;
    count = Range_GetThreshold(rc, freqSum);

    if (count < hiCnt)
    {
      Byte symbol;
      CPpmd_State **pps = ps;
      for (hiCnt = 0; (hiCnt += (*pps)->Freq) <= count; pps++);
      s = *pps;
      Range_Decode_RAR(rc, hiCnt - s->Freq, s->Freq);
      Ppmd_See_Update(see);
      p->FoundState = s;
      symbol = s->Symbol;
      Ppmd7_Update2(p);
      return symbol;
    }
    if (count >= freqSum)
      return -2;
    Range_Decode_RAR(rc, hiCnt, freqSum - hiCnt);
    see->Summ = (UInt16)(see->Summ + freqSum);
    do { MASK(ps[--i]->Symbol) = 0; } while (i != 0);
  }
}
