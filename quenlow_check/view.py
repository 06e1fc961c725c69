"""The predicted end state as lines, laid out as the demo reports what an
install under Wine did, so that an author can set the two side by side."""

from __future__ import annotations

from .judge import ENGINES
from .plan import Plan
from .registration import bare_name
from .state import KEPT, ORIGINS, EndState

# Where the service control manager keeps each service ("HKLM\\SYSTEM\\
# CurrentControlSet\\Services Registry Tree").
SERVICES = r"HKLM\SYSTEM\CurrentControlSet\Services"




def source(step, state: EndState) -> str:
    """Where in the kit a copy comes from: its path under the kit's folder,
    and the cabinet that holds it."""
    found, kit = step.found, state.kit
    try:
        where = "\\".join(found.relative_to(kit).parts)
    except ValueError:
        where = found.name
    return where if found.name.lower() == step.other.lower() else f"{step.other} in {where}"


def plan_lines(plan: Plan, state: EndState) -> list[str]:
    picked = f"[{plan.picked.name}]" if plan.picked is not None else "no install section"
    lines = [f"Predicted end state on a fresh 64-bit Windows: {ENGINES[plan.bits]}, {picked},"
             f" the kit in {state.kit_folder}"]
    files = [f for f in state.files.values() if f.origin == "installed"]
    lines.append(f"  files created or changed under C:\\ ({len(files) + len(state.changed)})")
    width = max((len(f.path) for f in files), default=0)
    for file in files:
        step = file.step
        lines.append(f"    + {file.path:<{width}}  from {source(step, state)}  ([{step.section}]"
                     f" line {step.line.number})")
    for path in state.changed:
        lines.append(f"    ~ {path}  (UpdateInis)")
    for file in state.deleted:
        lines.append(f"    - {file.path}  deleted")
    for step, reason in state.kept:
        lines.append(f"    = {step.name}  {KEPT[reason].format(step=step)}  ([{step.section}]"
                     f" line {step.line.number})")
    values = [v for v in state.values.values() if v.name is not None]
    lines.append(f"  registry values added or changed ({len(values)})")
    for value in values:
        lines.append(f"    + {value.key}  {value.name or '(default)'}  {value.kind}  {value.data}")
    if plan.services:
        lines.append(f"  services ({sum(not s.refused for s in plan.services)})")
        for step in plan.services:
            lines.append(f"    ! {step.name}  refused: Operation not allowed in WOW64"
                         if step.refused else
                         f"    + {SERVICES}\\{step.name}  ImagePath  {step.binary}")
    runs = sum(len(r.lookups) for r in state.registrations)
    lines.append(f"  components registered ({runs} regsvr32 run{'s' * (runs != 1)}, in order)")
    for number, reg in enumerate(state.registrations, 1):
        loaded = reg.loaded
        where = f"{loaded.path}  ({ORIGINS[loaded.origin]})" if loaded else "none (not found)"
        lines.append(f"    {number}. {bare_name(reg.entry)}  {where}"
                     f"  (by {' then '.join(lookup.tool for lookup in reg.lookups)})")
    return lines
