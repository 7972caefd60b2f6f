#!/usr/bin/env python3
"""Which tests earn their lines: per-function coverage and a kill matrix for proposed removals.

  scripts/kill-matrix.py cover [TEST...]    coverage build in build-cov/, every Qt Test function
                                            (of the CTest tests named, else of all) run alone, and
                                            each data row of a data-driven one alone, stand-ins
                                            included; the product lines of each written to
                                            build-cov/units/<test>__<function>[__<row>].json
  scripts/kill-matrix.py candidates         functions and rows whose every product line others also
                                            run, costliest first (greedy: each pick keeps the rest
                                            covered)
  scripts/kill-matrix.py matrix FILE [N] [SEED]
                                            for each unit named in FILE (one per line; a function
                                            stands for all its rows), N mutants on
                                            the lines it runs that the fewest other units run; each
                                            is tried against the remaining units first, then against
                                            those in FILE. "NEEDS x" means x was the only killer.

Line coverage says nothing of assertions: `candidates` is a pool, `matrix` the evidence. `matrix`
plants the faults in this checkout and rebuilds its build/ folder (put back after each): run it
in a spare worktree, with units/ copied or linked from the coverage run. Mutation operators are
the mutants tool's own (TESSALINE_MUTANTS, default ../shared/tools/mutants).
"""
import glob
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time
import types
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COV = os.environ.get('TESSALINE_COVERAGE_BUILD', os.path.join(ROOT, 'build-cov'))
UNITS = os.environ.get('TESSALINE_UNITS', os.path.join(COV, 'units'))
SKIP = {'initTestCase', 'cleanupTestCase', 'init', 'cleanup'}


def ctest_tests(build):
    out = subprocess.check_output(['ctest', '--test-dir', build, '-N', '--show-only=json-v1'])
    return {t['name']: t for t in json.loads(out)['tests']}


def command(test, function, build, extra_env=None):
    props = {p['name']: p['value'] for p in test.get('properties', [])}
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen', **(extra_env or {}))
    for kv in props.get('ENVIRONMENT', []):
        k, v = kv.split('=', 1)
        env[k] = v
    cmd = test['command'] + ([] if function == '_all' else [function])
    return cmd, env, props.get('WORKING_DIRECTORY', build)


# A unit is "<test>__<function>" or, for one data row, "<test>__<function>__<row>" with the row's
# tag quoted to be a file name; Qt Test runs a row as "function:tag".
def unit_name(test, function, tag=None):
    return f'{test}__{function}' + (f'__{urllib.parse.quote(tag, safe=" ,")}' if tag is not None else '')


def unit_parts(unit):
    test, function, *tag = unit.split('__', 2)
    return test, function, urllib.parse.unquote(tag[0]) if tag else None


def unit_argument(unit):
    _, function, tag = unit_parts(unit)
    return function if tag is None else f'{function}:{tag}'


def cover(only):
    if not os.path.exists(os.path.join(COV, 'build.ninja')):
        subprocess.check_call(['cmake', '-S', ROOT, '-B', COV, '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=Debug',
                               '-DCMAKE_CXX_FLAGS=--coverage -O0', '-DCMAKE_EXE_LINKER_FLAGS=--coverage',
                               '-DCMAKE_SHARED_LINKER_FLAGS=--coverage'])
    subprocess.check_call(['cmake', '--build', COV, '--parallel', str(os.cpu_count() or 2)])
    runs = os.path.join(COV, 'runs')
    os.makedirs(UNITS, exist_ok=True)
    for name, test in ctest_tests(COV).items():
        if only and name not in only:
            continue
        cmd, env, cwd = command(test, '_all', COV)
        listed = subprocess.run(cmd + ['-functions'], env=env, cwd=cwd, capture_output=True, text=True, timeout=60)
        functions = [l.strip()[:-2] for l in listed.stdout.splitlines() if l.strip().endswith('()')]
        tags = subprocess.run(cmd + ['-datatags'], env=env, cwd=cwd, capture_output=True, text=True, timeout=60)
        rows = {}
        for line in tags.stdout.splitlines():
            parts = line.split(' ', 2)
            if len(parts) == 3:
                rows.setdefault(parts[1], []).append(parts[2])
        units = [unit_name(name, f, tag) for f in functions if f not in SKIP for tag in rows.get(f, [None])]
        for unit in units or [f'{name}___all']:
            prefix = os.path.join(runs, unit)
            shutil.rmtree(prefix, ignore_errors=True)
            cmd, env, cwd = command(test, unit_argument(unit), COV, {'GCOV_PREFIX': prefix, 'GCOV_PREFIX_STRIP': '0'})
            try:
                status = subprocess.run(cmd, env=env, cwd=cwd, capture_output=True, timeout=300).returncode
            except subprocess.TimeoutExpired:
                status = 'timeout'
            json.dump(sorted(covered_lines(prefix + COV)), open(os.path.join(UNITS, unit + '.json'), 'w'))
            shutil.rmtree(prefix, ignore_errors=True)
            print(unit, status, flush=True)


def covered_lines(base):
    covered = set()
    for gcda in glob.glob(base + '/**/*.gcda', recursive=True):
        gcno = COV + gcda[len(base):-5] + '.gcno'
        if not os.path.exists(gcno):
            continue
        shutil.copyfile(gcno, gcda[:-5] + '.gcno')
        out = subprocess.run(['gcov', '--stdout', '--json-format', '-o', os.path.dirname(gcda), gcda],
                             capture_output=True, text=True, cwd=os.path.dirname(gcda)).stdout
        for line in out.splitlines():
            if not line.startswith('{'):
                continue
            for f in json.loads(line).get('files', []):
                path = os.path.relpath(f['file'], ROOT) if os.path.isabs(f['file']) else f['file']
                if path.startswith(('src/', 'tools/')):
                    covered.update(f"{path}:{l['line_number']}" for l in f['lines'] if l['count'] > 0)
    return covered


def load_units():
    return {os.path.basename(f)[:-5]: set(json.load(open(f))) for f in glob.glob(os.path.join(UNITS, '*.json'))}


def test_lines():
    """Non-blank lines of each test function (with its _data and the comments above it), and of
    each data row written as a literal newRow("tag") statement."""
    sizes = {}
    for path in glob.glob(os.path.join(ROOT, 'tests', '**', 'tst_*.cpp'), recursive=True):
        src = open(path, encoding='utf-8').read().split('\n')
        file = os.path.basename(path)[:-4]
        name, start = None, 0
        for i, line in enumerate(src + ['};']):
            m = re.match(r'    void (\w+)\(\)', line)
            if m or line.startswith('};'):
                if name:
                    key = (file, name, None)
                    sizes[key] = sizes.get(key, 0) + sum(1 for x in src[start:i] if x.strip())
                name = re.sub(r'_data$', '', m.group(1)) if m else None
                start = i
            row = re.search(r'newRow\("((?:[^"\\]|\\.)*)"\)', line)
            if name and row:
                end = i
                while end < len(src) - 1 and not src[end].rstrip().endswith(';'):
                    end += 1
                sizes[(file, name, row.group(1))] = end - i + 1
    return sizes


def cost_of(unit, sizes):
    suite, function, tag = unit_parts(unit)
    for (file, name, row), n in sizes.items():
        if name == function and row == tag and (suite == file or suite.endswith(file[4:])):
            return n
    return 0


def candidates():
    units, sizes = load_units(), test_lines()
    count = {}
    for lines in units.values():
        for l in lines:
            count[l] = count.get(l, 0) + 1
    total = 0
    for unit in sorted(units, key=lambda u: -cost_of(u, sizes)):
        cost = cost_of(unit, sizes)
        if cost and all(count[l] > 1 for l in units[unit]):
            for l in units[unit]:
                count[l] -= 1
            total += cost
            print(cost, unit, len(units[unit]))
    print('lines', total)


def matrix(listing, per, seed):
    path = os.environ.get('TESSALINE_MUTANTS', os.path.join(ROOT, '..', 'shared', 'tools', 'mutants'))
    mutants = types.ModuleType('mutants')
    exec(compile(open(path, encoding='utf-8').read(), path, 'exec'), mutants.__dict__)
    build = os.path.join(ROOT, 'build')
    units = load_units()
    named = [l.strip() for l in open(listing) if l.strip() and not l.startswith('#')]  # a row's name holds spaces
    groups = {n: [u for u in units if u == n or u.startswith(n + '__')] for n in named}
    names = {u for group in groups.values() for u in group}
    runs_line = {}
    for unit, lines in units.items():
        for l in lines:
            runs_line.setdefault(l, []).append(unit)
    tests = ctest_tests(build)

    def kills(unit):
        cmd, env, cwd = command(tests[unit_parts(unit)[0]], unit_argument(unit), build)
        try:
            return subprocess.run(cmd, env=env, cwd=cwd, capture_output=True, timeout=120).returncode != 0
        except subprocess.TimeoutExpired:
            return True

    rng = random.Random(seed)
    chosen = []
    for unit, group in groups.items():
        runs = set().union(*(units[u] for u in group))
        pool = []
        for file in sorted({l.split(':')[0] for l in runs}):
            for (_, idx, op, _, new) in mutants.candidates(os.path.join(ROOT, file)):
                key = f'{file}:{idx + 1}'
                if key in runs:
                    rest = [u for u in runs_line[key] if u not in names]
                    pool.append((len(rest), rng.random(), file, idx, op, new, key))
        chosen += [(unit,) + p for p in sorted(pool)[:per]]
    for (unit, _, _, file, idx, op, new, key) in chosen:
        target = os.path.join(ROOT, file)
        original = open(target, encoding='utf-8').read()
        lines = original.split('\n')
        lines[idx] = new
        started = time.time()
        try:
            open(target, 'w', encoding='utf-8').write('\n'.join(lines))
            if subprocess.run(['cmake', '--build', build], capture_output=True).returncode:
                verdict = 'stillborn'
            else:
                rest = sorted((u for u in runs_line[key] if u not in names), key=lambda u: len(units[u]))
                killer = next((u for u in rest if kills(u)), None)
                needed = [] if killer else [u for u in runs_line[key] if u in names and kills(u)]
                verdict = ('kept by ' + killer) if killer else ('NEEDS ' + ','.join(needed)) if needed else 'survives all'
        finally:
            open(target, 'w', encoding='utf-8').write(original)
        print(f'{unit} | {key} {op} | {verdict} | {time.time() - started:.0f} s', flush=True)
    subprocess.run(['cmake', '--build', build], capture_output=True)


if __name__ == '__main__':
    args = sys.argv[1:]
    if args[:1] == ['cover']:
        cover(set(args[1:]))
    elif args[:1] == ['candidates']:
        candidates()
    elif args[:1] == ['matrix'] and len(args) >= 2:
        matrix(args[1], int(args[2]) if len(args) > 2 else 2, int(args[3]) if len(args) > 3 else 1)
    else:
        sys.exit(__doc__)
