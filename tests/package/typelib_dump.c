/* typelib_dump.exe TLB: reads a type library back through oleaut32 (LoadTypeLibEx, as VB6's
 * References dialog does) and prints what a caller would bind to, one line per item:
 *   library NAME MAJOR.MINOR HELP
 *   module NAME FUNCTIONS
 *   function NAME|DLL|ENTRY|ORDINAL|CALLCONV|FUNCKIND|RESULT|PARAM;PARAM...|BOUND|HELP
 * PARAM is TYPE:FLAGS (TYPE like I4, PTR(I4), LPSTR, PTR(VOID); FLAGS from in, out, opt).
 * BOUND is "bound" when the DLL named by the entry, loaded from the library's folder, exports
 * the entry's name. Exit 1 when the library cannot be read. */
#define COBJMACROS
#include <windows.h>
#include <oleauto.h>
#include <stdio.h>
#include <string.h>

static void vt_text(const TYPEDESC* t, char* out, size_t size) {
    char inner[64];
    switch (t->vt) {
    case VT_PTR:
        vt_text(t->lptdesc, inner, sizeof inner);
        snprintf(out, size, "PTR(%s)", inner);
        return;
    case VT_I4: snprintf(out, size, "I4"); return;
    case VT_I1: snprintf(out, size, "I1"); return;
    case VT_UI1: snprintf(out, size, "UI1"); return;
    case VT_INT: snprintf(out, size, "INT"); return;
    case VT_VOID: snprintf(out, size, "VOID"); return;
    case VT_LPSTR: snprintf(out, size, "LPSTR"); return;
    case VT_BSTR: snprintf(out, size, "BSTR"); return;
    case VT_HRESULT: snprintf(out, size, "HRESULT"); return;
    default: snprintf(out, size, "VT%u", (unsigned)t->vt); return;
    }
}

static void print_bstr(BSTR s) {
    if (!s) return;
    for (const WCHAR* p = s; *p; ++p) putchar(*p < 128 ? (char)*p : '?');
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: typelib_dump TLB\n");
        return 2;
    }
    WCHAR path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%s", argv[1]);
    char* slash = strrchr(folder, '\\');
    if (!slash) slash = strrchr(folder, '/');
    if (slash)
        slash[1] = 0;
    else
        folder[0] = 0;

    ITypeLib* lib = NULL;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr)) {
        printf("LoadTypeLibEx failed: 0x%08lx\n", (unsigned long)hr);
        return 1;
    }
    TLIBATTR* la = NULL;
    BSTR name = NULL, help = NULL;
    ITypeLib_GetLibAttr(lib, &la);
    ITypeLib_GetDocumentation(lib, -1, &name, &help, NULL, NULL);
    printf("library ");
    print_bstr(name);
    printf(" %u.%u ", la->wMajorVerNum, la->wMinorVerNum);
    print_bstr(help);
    printf("\n");
    SysFreeString(name);
    SysFreeString(help);
    ITypeLib_ReleaseTLibAttr(lib, la);

    UINT count = ITypeLib_GetTypeInfoCount(lib);
    for (UINT t = 0; t < count; ++t) {
        ITypeInfo* info = NULL;
        TYPEATTR* ta = NULL;
        if (FAILED(ITypeLib_GetTypeInfo(lib, t, &info))) continue;
        ITypeInfo_GetTypeAttr(info, &ta);
        if (ta->typekind == TKIND_MODULE) {
            BSTR module = NULL;
            ITypeInfo_GetDocumentation(info, MEMBERID_NIL, &module, NULL, NULL, NULL);
            printf("module ");
            print_bstr(module);
            printf(" %u\n", ta->cFuncs);
            SysFreeString(module);
            for (UINT f = 0; f < ta->cFuncs; ++f) {
                FUNCDESC* fd = NULL;
                if (FAILED(ITypeInfo_GetFuncDesc(info, f, &fd))) {
                    printf("function ?|GetFuncDesc failed\n");
                    continue;
                }
                BSTR fname = NULL, fhelp = NULL, dll = NULL, entry = NULL;
                WORD ordinal = 0;
                ITypeInfo_GetDocumentation(info, fd->memid, &fname, &fhelp, NULL, NULL);
                HRESULT he = ITypeInfo_GetDllEntry(info, fd->memid, INVOKE_FUNC, &dll, &entry, &ordinal);
                printf("function ");
                print_bstr(fname);
                printf("|");
                print_bstr(dll);
                printf("|");
                if (SUCCEEDED(he))
                    print_bstr(entry);
                else
                    printf("<GetDllEntry 0x%08lx>", (unsigned long)he);
                char text[128];
                vt_text(&fd->elemdescFunc.tdesc, text, sizeof text);
                printf("|%u|%d|%d|%s|", ordinal, (int)fd->callconv, (int)fd->funckind, text);
                for (SHORT p = 0; p < fd->cParams; ++p) {
                    const ELEMDESC* e = &fd->lprgelemdescParam[p];
                    USHORT flags = e->paramdesc.wParamFlags;
                    vt_text(&e->tdesc, text, sizeof text);
                    printf("%s%s:%s%s%s", p ? ";" : "", text, flags & PARAMFLAG_FIN ? "in" : "",
                           flags & PARAMFLAG_FOUT ? "out" : "", flags & PARAMFLAG_FOPT ? "opt" : "");
                }
                /* The parameters' names, as VB6 shows them while a call is typed. */
                BSTR names[64];
                UINT named = 0;
                printf("|");
                if (fd->cParams < 64 &&
                    SUCCEEDED(ITypeInfo_GetNames(info, fd->memid, names, (UINT)fd->cParams + 1, &named))) {
                    for (UINT k = 0; k < named; ++k) {
                        if (k > 1) printf(",");
                        if (k > 0) print_bstr(names[k]);
                        SysFreeString(names[k]);
                    }
                }
                /* The entry must bind in the DLL beside the library, as VB6 binds it on a call. */
                const char* bound = "unbound";
                if (SUCCEEDED(he) && dll && entry) {
                    char dll_path[MAX_PATH * 2], entry_a[256];
                    int n = snprintf(dll_path, sizeof dll_path, "%s", folder);
                    WideCharToMultiByte(CP_ACP, 0, dll, -1, dll_path + n, (int)sizeof dll_path - n, NULL, NULL);
                    WideCharToMultiByte(CP_ACP, 0, entry, -1, entry_a, sizeof entry_a, NULL, NULL);
                    HMODULE m = LoadLibraryA(dll_path);
                    if (m && GetProcAddress(m, entry_a)) bound = "bound";
                }
                printf("|%s|", bound);
                print_bstr(fhelp);
                printf("\n");
                SysFreeString(fname);
                SysFreeString(fhelp);
                SysFreeString(dll);
                SysFreeString(entry);
                ITypeInfo_ReleaseFuncDesc(info, fd);
            }
        }
        if (ta->typekind == TKIND_ENUM) { /* the result codes: "const NAME|VALUE" */
            for (UINT v = 0; v < ta->cVars; ++v) {
                VARDESC* vd = NULL;
                if (FAILED(ITypeInfo_GetVarDesc(info, v, &vd))) {
                    printf("const ?|GetVarDesc failed\n");
                    continue;
                }
                BSTR vname = NULL;
                ITypeInfo_GetDocumentation(info, vd->memid, &vname, NULL, NULL, NULL);
                printf("const ");
                print_bstr(vname);
                if (vd->varkind == VAR_CONST && V_VT(vd->lpvarValue) == VT_I4)
                    printf("|%ld\n", (long)V_I4(vd->lpvarValue));
                else
                    printf("|<varkind %d, type %d>\n", (int)vd->varkind,
                           vd->varkind == VAR_CONST ? (int)V_VT(vd->lpvarValue) : -1);
                SysFreeString(vname);
                ITypeInfo_ReleaseVarDesc(info, vd);
            }
        }
        ITypeInfo_ReleaseTypeAttr(info, ta);
        ITypeInfo_Release(info);
    }
    ITypeLib_Release(lib);
    return 0;
}
