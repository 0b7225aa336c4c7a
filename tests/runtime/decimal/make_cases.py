#!/usr/bin/env python3
"""Writes cases.txt: random decimal-stack operations with results computed exactly.

Values are Python integers counting units of 10^-32 (a register cell 0 digit). The rules:
add and subtract are exact with the integer part kept modulo 10^32; products are truncated
below 10^-32; quotients use a divisor cut to 59 significant digits, are truncated below 10^-32,
then rounded half away from zero at 31 places; rounding to p places looks at the one digit
below; stored fields keep their low-order digits. Run it again only to change the cases:
    python3 make_cases.py > cases.txt
"""
import random

UNIT = 10 ** 32
MOD = 10 ** 64  # magnitudes live in cells 0..63


def text(v):
    sign = "-" if v < 0 else ""
    m = abs(v)
    ip, fp = divmod(m, UNIT)
    s = sign + str(ip)
    if fp:
        s += "." + ("%032d" % fp).rstrip("0")
    return s


def signed(neg, mag):
    mag %= MOD
    return -mag if neg and mag else mag


def add(a, b):
    r = a + b
    return signed(r < 0, abs(r))


def mul(a, b):
    return signed((a < 0) != (b < 0), abs(a) * abs(b) // UNIT)


def round_places(v, p):
    cut = 32 - p
    if cut <= 0:
        return v
    m = abs(v)
    r = m // 10 ** cut
    if (m // 10 ** (cut - 1)) % 10 >= 5:
        r += 1
    return signed(v < 0, r * 10 ** cut)


def div(a, b):
    if a == 0 or b == 0:
        return 0
    d = abs(b)
    digits = len(str(d))
    if digits > 59:
        d = d // 10 ** (digits - 59) * 10 ** (digits - 59)
    q = abs(a) * UNIT // d % MOD
    return round_places(signed((a < 0) != (b < 0), q), 31)


def power(v, n):
    def upower(x, k):
        result, base = UNIT, x
        while k:
            if k & 1:
                result = mul(result, base)
            k >>= 1
            if k:
                base = mul(base, base)
        return result

    if n >= 0:
        return upower(v, n)
    return div(UNIT, upower(v, -n))


def leading_cell(v):
    return len(str(abs(v))) - 1


def field_digits(v, n, p):
    return abs(v) // 10 ** (32 - p) % 10 ** (2 * n - 1)


def decimal_bytes(v, n, p):
    nibbles = "%0*d" % (2 * n - 1, field_digits(v, n, p))
    nibbles = ("f" if v < 0 else "0") + nibbles
    return nibbles


def pdecimal_bytes(v, n, p):
    return "%0*d" % (2 * n - 1, field_digits(v, n, p)) + ("d" if v < 0 else "f")


def loaded(v, n, p):
    return signed(v < 0, field_digits(v, n, p) * 10 ** (32 - p))


def operand(rng):
    kind = rng.random()
    if kind < 0.06:
        return rng.choice([0, UNIT, -UNIT, UNIT // 2, 10 ** 63, -(10 ** 64 - 1), 1, -1,
                           10 ** 64 - 1, 5 * 10 ** 31, UNIT * 10])
    if kind < 0.45:  # money-sized: up to 15 digits
        ints, fracs = rng.randint(0, 13), rng.randint(0, 4)
    elif kind < 0.75:  # 31 digits
        ints = rng.randint(0, 31)
        fracs = min(32, 31 - ints)
    else:
        ints, fracs = rng.randint(0, 32), rng.randint(0, 32)
    mag = rng.randrange(10 ** (ints + fracs)) if ints + fracs else 0
    v = mag * 10 ** (32 - fracs)
    return -v if rng.random() < 0.4 else v


def real_case(rng):
    x = rng.choice([rng.uniform(-1e6, 1e6), rng.uniform(-1, 1) * 10 ** rng.randint(-40, 40),
                    float(rng.randint(-10 ** 9, 10 ** 9)) / 100])
    s = "%.15e" % abs(x)
    mant, exp = s.split("e")
    digits = int(mant.replace(".", ""))
    shift = int(exp) - 15 + 32
    mag = digits * 10 ** shift if shift >= 0 else digits // 10 ** -shift
    return x, signed(x < 0, mag)


def main():
    rng = random.Random(20240417)
    out = []
    for _ in range(1500):
        a, b = operand(rng), operand(rng)
        out.append("add %s %s %s" % (text(a), text(b), text(add(a, b))))
    for _ in range(1000):
        a, b = operand(rng), operand(rng)
        out.append("sub %s %s %s" % (text(a), text(b), text(add(a, -b))))
    for _ in range(300):
        a, b = operand(rng), operand(rng)
        out.append("subr %s %s %s" % (text(a), text(b), text(add(b, -a))))
    for _ in range(1500):
        a, b = operand(rng), operand(rng)
        out.append("mul %s %s %s" % (text(a), text(b), text(mul(a, b))))
    for _ in range(1500):
        a, b = operand(rng), operand(rng)
        if rng.random() < 0.1:
            b = rng.randrange(1, 10 ** 64)  # long divisors, some cut to 59 digits
        out.append("div %s %s %s" % (text(a), text(b), text(div(a, b))))
    for _ in range(300):
        a, b = operand(rng), operand(rng)
        out.append("divr %s %s %s" % (text(a), text(b), text(div(b, a))))
    for _ in range(1000):
        a = operand(rng)
        unit = rng.choice([1, 5, 2]) * 10 ** rng.randint(0, 40)
        p = 32 - leading_cell(unit)
        out.append("round %s %s %s" % (text(a), text(unit), text(round_places(a, p))))
    for _ in range(1000):
        a, b = operand(rng), operand(rng)
        if rng.random() < 0.1:
            b = a
        out.append("cmp %s %s %d" % (text(a), text(b), (a > b) - (a < b)))
    for kind, packer in (("dec", decimal_bytes), ("pdec", pdecimal_bytes)):
        for _ in range(1000):
            a = operand(rng)
            n = rng.randint(1, 16)
            p = rng.randint(0, min(31, 2 * n - 1))
            r = round_places(a, p)
            out.append("%s %d %d %s %s %s" % (kind, n, p, text(a), packer(r, n, p),
                                              text(loaded(r, n, p))))
    for _ in range(600):
        a = operand(rng)
        ip = abs(a) // UNIT % 2 ** 32
        lv = (-ip if a < 0 else ip) % 2 ** 32
        lv = lv - 2 ** 32 if lv >= 2 ** 31 else lv
        out.append("long %s %d %d" % (text(a), lv, ip))
    for _ in range(500):
        x, v = real_case(rng)
        out.append("real %r %s" % (x, text(v)))
    for _ in range(400):
        a = operand(rng)
        if rng.random() < 0.5:
            a = signed(a < 0, abs(a) // 10 ** rng.randint(20, 62) * 10 ** rng.randint(20, 32))
        n = rng.randint(-4, 7)
        out.append("pow %s %d %s" % (text(a), n, text(power(a, n))))
    print("\n".join(out))


if __name__ == "__main__":
    main()
